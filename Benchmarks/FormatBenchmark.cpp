// FormatToBuffer against the C library's snprintf, on workloads whose output
// is identical in both (checked before anything is timed), and the GUID, time
// and status conversions on their own. One call per iteration; the summary
// after the runs gives each workload's time per call and snprintf's time
// divided by FormatToBuffer's (above 1: FormatToBuffer is faster), taking the
// best of the repetitions when --benchmark_repetitions is given.
#include <Library/PrintLib.h>
#include <Uefi/UefiBaseType.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr size_t BUFFER_SIZE = 256;

// A workload: the engine's format and the C library's format of one text.
struct WORKLOAD {
  const char *Name;
  const char *EngineFormat;
  const char *LibraryFormat;
};

constexpr WORKLOAD Decimal = {"Decimal", "%+8.5d|%-6d|%05d|% d|%d", "%+8.5d|%-6d|%05d|% d|%d"};
constexpr WORKLOAD Hex = {"UpperHex", "%08X:%X:%.6X:%X", "%08X:%X:%.6X:%X"};
constexpr WORKLOAD Strings = {"StringsWithWidth", "%-12a|%12a|%a|%.3a", "%-12s|%12s|%s|%.3s"};
constexpr WORKLOAD LogLine = {"LogLine", "[%a] %a(%d): status %08X, %d bytes at %08X\r\n",
                              "[%s] %s(%d): status %08X, %d bytes at %08X\r\n"};

// Each workload's arguments, for either engine.
template <typename PRINT> size_t PrintDecimal(PRINT Print, char *Buffer, const char *Format) {
  return Print(Buffer, BUFFER_SIZE, Format, 42, -7, -42, 12345, 2000000000);
}
template <typename PRINT> size_t PrintHex(PRINT Print, char *Buffer, const char *Format) {
  return Print(Buffer, BUFFER_SIZE, Format, 0xDEADBEEFu, 255u, 0xABCu, 0x7FFFFFFFu);
}
template <typename PRINT> size_t PrintStrings(PRINT Print, char *Buffer, const char *Format) {
  return Print(Buffer, BUFFER_SIZE, Format, "left", "right", "plain", "cut here");
}
template <typename PRINT> size_t PrintLogLine(PRINT Print, char *Buffer, const char *Format) {
  return Print(Buffer, BUFFER_SIZE, Format, "PEI", "UartInit", 152, 0x80000007u, 4096, 0xFFF944A0u);
}

size_t Library(char *Buffer, size_t Size, const char *Format, ...) {
  va_list Arguments;
  va_start(Arguments, Format);
  int Count = std::vsnprintf(Buffer, Size, Format, Arguments);
  va_end(Arguments);
  return static_cast<size_t>(Count);
}

typedef size_t (*PRINT_FUNCTION)(char *, size_t, const char *, ...);
typedef size_t (*WORKLOAD_FUNCTION)(PRINT_FUNCTION, char *, const char *);

struct SHARED_WORKLOAD {
  WORKLOAD Formats;
  WORKLOAD_FUNCTION Run;
};

const SHARED_WORKLOAD SharedWorkloads[] = {
    {Decimal, PrintDecimal<PRINT_FUNCTION>},
    {Hex, PrintHex<PRINT_FUNCTION>},
    {Strings, PrintStrings<PRINT_FUNCTION>},
    {LogLine, PrintLogLine<PRINT_FUNCTION>},
};

// Both engines must print the same text, or the comparison means nothing.
void CheckIdenticalOutput() {
  for (const SHARED_WORKLOAD &Workload : SharedWorkloads) {
    char Ours[BUFFER_SIZE];
    char Theirs[BUFFER_SIZE];
    size_t OurCount = Workload.Run(FormatToBuffer, Ours, Workload.Formats.EngineFormat);
    size_t TheirCount = Workload.Run(Library, Theirs, Workload.Formats.LibraryFormat);
    if (OurCount != TheirCount || std::strcmp(Ours, Theirs) != 0) {
      std::fprintf(stderr,
                   "%s: outputs differ\n  FormatToBuffer: \"%s\"\n  snprintf:       \"%s\"\n",
                   Workload.Formats.Name, Ours, Theirs);
      std::exit(1);
    }
  }
}

void BenchmarkShared(benchmark::State &State, const SHARED_WORKLOAD *Workload, bool UseEngine) {
  char Buffer[BUFFER_SIZE];
  PRINT_FUNCTION Print = UseEngine ? FormatToBuffer : Library;
  const char *Format = UseEngine ? Workload->Formats.EngineFormat : Workload->Formats.LibraryFormat;
  for (auto _ : State) {
    benchmark::DoNotOptimize(Workload->Run(Print, Buffer, Format));
    benchmark::ClobberMemory();
  }
}

// The conversions only the engine has.
void BenchmarkGuid(benchmark::State &State) {
  EFI_GUID Guid = {0xE286BDA9, 0xE33A, 0x47B3, {0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38}};
  char Buffer[BUFFER_SIZE];
  for (auto _ : State) {
    benchmark::DoNotOptimize(FormatToBuffer(Buffer, sizeof(Buffer), "%g", &Guid));
    benchmark::ClobberMemory();
  }
}

void BenchmarkTime(benchmark::State &State) {
  EFI_TIME Time{};
  Time.Year = 2024;
  Time.Month = 3;
  Time.Day = 7;
  Time.Hour = 9;
  Time.Minute = 5;
  char Buffer[BUFFER_SIZE];
  for (auto _ : State) {
    benchmark::DoNotOptimize(FormatToBuffer(Buffer, sizeof(Buffer), "%t", &Time));
    benchmark::ClobberMemory();
  }
}

void BenchmarkStatus(benchmark::State &State, EFI_STATUS Status) {
  char Buffer[BUFFER_SIZE];
  for (auto _ : State) {
    benchmark::DoNotOptimize(FormatToBuffer(Buffer, sizeof(Buffer), "%r", Status));
    benchmark::ClobberMemory();
  }
}

// The report in the format asked for (--benchmark_format), in colour only on a
// terminal, and after a console report, per shared workload, snprintf's time
// over ours.
class RATIO_REPORTER : public benchmark::BenchmarkReporter {
public:
  explicit RATIO_REPORTER(const std::string &Format) : Console(Format == "console") {
    if (Format == "json") {
      Report = std::make_unique<benchmark::JSONReporter>();
    } else {
      Report = std::make_unique<benchmark::ConsoleReporter>(
          isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                : benchmark::ConsoleReporter::OO_Tabular);
    }
  }

  bool ReportContext(const Context &Machine) override {
    Report->SetOutputStream(&GetOutputStream());
    Report->SetErrorStream(&GetErrorStream());
    return Report->ReportContext(Machine);
  }

  void ReportRuns(const std::vector<Run> &Runs) override {
    Report->ReportRuns(Runs);
    // With --benchmark_repetitions the best run counts: the machine may be shared.
    for (const Run &Each : Runs) {
      if (Each.run_type == Run::RT_Iteration && !Each.error_occurred) {
        double &Best = Nanoseconds[Each.run_name.function_name];
        double Time = Each.GetAdjustedCPUTime();
        Best = Best == 0 ? Time : std::min(Best, Time);
      }
    }
  }

  void Finalize() override {
    Report->Finalize();
    if (!Console) {
      return;
    }
    std::printf("\n%-18s %16s %10s %18s\n", "workload", "FormatToBuffer", "snprintf",
                "snprintf/ours");
    for (const SHARED_WORKLOAD &Workload : SharedWorkloads) {
      std::string Name = Workload.Formats.Name;
      double Ours = Nanoseconds[Name + "/FormatToBuffer"];
      double Theirs = Nanoseconds[Name + "/snprintf"];
      if (Ours > 0 && Theirs > 0) {
        std::printf("%-18s %13.1f ns %7.1f ns %17.2fx\n", Name.c_str(), Ours, Theirs,
                    Theirs / Ours);
      }
    }
  }

private:
  std::unique_ptr<benchmark::BenchmarkReporter> Report;
  bool Console;
  std::map<std::string, double> Nanoseconds;
};

// The value of --benchmark_format, which the library reads only for its own reporter.
std::string RequestedFormat(int Argc, char **Argv) {
  const std::string Flag = "--benchmark_format=";
  std::string Format = "console";
  for (int Index = 1; Index < Argc; ++Index) {
    if (std::string(Argv[Index]).rfind(Flag, 0) == 0) {
      Format = Argv[Index] + Flag.size();
    }
  }
  return Format;
}

} // namespace

int main(int argc, char **argv) {
  CheckIdenticalOutput();
  for (const SHARED_WORKLOAD &Workload : SharedWorkloads) {
    std::string Name = Workload.Formats.Name;
    benchmark::RegisterBenchmark((Name + "/FormatToBuffer").c_str(), BenchmarkShared, &Workload,
                                 true);
    benchmark::RegisterBenchmark((Name + "/snprintf").c_str(), BenchmarkShared, &Workload, false);
  }
  benchmark::RegisterBenchmark("Guid/FormatToBuffer", BenchmarkGuid);
  benchmark::RegisterBenchmark("Time/FormatToBuffer", BenchmarkTime);
  benchmark::RegisterBenchmark("NamedStatus/FormatToBuffer", BenchmarkStatus, EFI_NOT_FOUND);
  benchmark::RegisterBenchmark("UnnamedStatus/FormatToBuffer", BenchmarkStatus, 0x80000019u);
  const std::string Format = RequestedFormat(argc, argv);
  if (Format != "console" && Format != "json") {
    std::fprintf(stderr, "FormatBenchmark: --benchmark_format=%s: console or json only\n",
                 Format.c_str());
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  RATIO_REPORTER Reporter(Format);
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();
  return 0;
}
