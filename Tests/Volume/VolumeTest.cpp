// Firmware volumes through the host tools' writer and reader and the boot
// platform's own reader. A small volume is written out here byte by byte,
// its checksums worked by hand: the writer must produce exactly these bytes,
// both readers must read them back file by file, and every way of breaking
// them must be refused by both readers at the same place for the same reason.
#include "BootVolume.h"

#include <FfsWriter.h>
#include <FirmwareVolume.h>

#include <Pi/PiDependency.h>

#include <gtest/gtest.h>

#include <functional>

using namespace HostTools;

namespace {

using BYTES = std::vector<uint8_t>;

constexpr size_t FILE1 = 0x48; // a PEIM file
constexpr size_t FILE2 = 0x78; // a raw file
constexpr std::array<uint8_t, 16> FILE1_NAME = {0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77,
                                                0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00};

// 0x100 bytes in two blocks of 0x80, erased to 0xFF.
BYTES HandBuiltVolume() {
  BYTES Volume = {
      // Header: zero vector, the FFS2 GUID, FvLength 0x100, "_FVH", attributes
      // 0x00070C06 (read enabled and on, memory mapped, erase polarity 1,
      // aligned to 2^7), HeaderLength 72. Its words sum to 0x17BD without the
      // checksum, so the checksum is 0x10000 - 0x17BD = 0xE843.
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                     //
      0x78, 0xE5, 0x8C, 0x8C, 0x3D, 0x8A, 0x1C, 0x4F, 0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, //
      0x2D, 0xD3, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, '_', 'F', 'V', 'H',     //
      0x06, 0x0C, 0x07, 0x00, 0x48, 0x00, 0x43, 0xE8, 0x00, 0x00, 0x00, 0x02,             //
      0x02, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,             //
      // File 1 at 0x48: a PEIM, 0x30 bytes, data checksummed. Its header
      // bytes sum to 0x6E without the two checks and State: checksum 0x92.
      // Its data sums to 0xF8: check byte 0x08. State 0xF8 is "data valid".
      0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, //
      0xFF, 0x00, 0x92, 0x08, 0x06, 0x40, 0x30, 0x00, 0x00, 0xF8,                         //
      0x06, 0x00, 0x00, 0x1B, 0x06, 0x08, 0x00, 0x00, // dependency TRUE END, 2 bytes to align
      0x08, 0x00, 0x00, 0x15, 'A', 0x00, 0x00, 0x00,  // user interface "A"
      0x08, 0x00, 0x00, 0x19, 'T', 'V', 'R', 'N',     // raw
      // File 2 at 0x78: raw, 0x1D bytes, fixed check byte 0xAA. Header sum
      // 0xA6: checksum 0x5A.
      0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, //
      0x0F, 0x10, 0x5A, 0xAA, 0x01, 0x00, 0x1D, 0x00, 0x00, 0xF8,                         //
      'R', 'A', 'W', '!', '!'};
  Volume.resize(0x100, 0xFF); // free space from 0x98
  return Volume;
}

uint8_t Sum8(const BYTES &Bytes, size_t From, size_t To) {
  uint8_t Sum = 0;
  for (size_t Offset = From; Offset < To && Offset < Bytes.size(); ++Offset) {
    Sum = static_cast<uint8_t>(Sum + Bytes[Offset]);
  }
  return Sum;
}

// Makes every checksum right again after a change that is not about them.
void Resum(BYTES &Volume) {
  Volume[0x32] = Volume[0x33] = 0;
  uint16_t Words = 0;
  for (size_t Offset = 0; Offset < 0x48; Offset += 2) {
    Words = static_cast<uint16_t>(Words + (Volume[Offset] | Volume[Offset + 1] << 8));
  }
  const uint16_t Check = static_cast<uint16_t>(0x10000 - Words);
  Volume[0x32] = static_cast<uint8_t>(Check);
  Volume[0x33] = static_cast<uint8_t>(Check >> 8);
  for (size_t File : {FILE1, FILE2}) {
    const size_t Size = Volume[File + 20] | Volume[File + 21] << 8 | Volume[File + 22] << 16;
    Volume[File + 16] = 0;
    Volume[File + 16] =
        static_cast<uint8_t>(Volume[File + 17] + Volume[File + 23] - Sum8(Volume, File, File + 24));
    if ((Volume[File + 19] & 0x40) != 0) {
      Volume[File + 17] = static_cast<uint8_t>(-Sum8(Volume, File + 24, File + Size));
    }
  }
}

// What the boot platform's reader makes of a volume: the files it walks and
// the sections of each PEIM, or the first problem and where it lies.
struct BOOT_READ {
  FV_PROBLEM Problem = FV_SOUND;
  UINT32 Offset = 0;
  std::vector<BOOT_FILE> Files;
  std::vector<PEIM_SECTIONS> Peims;
};

BOOT_READ ReadWithBootPlatform(const BYTES &Volume) {
  BOOT_READ Read;
  BOOT_VOLUME Opened;
  Read.Problem = OpenBootVolume(Volume.data(), Volume.size(), &Opened);
  if (Read.Problem != FV_SOUND) {
    return Read;
  }
  BOOT_FILE File{};
  BOOLEAN Found = FALSE;
  for (UINT32 Cursor = FirstFileOffset(&Opened); Read.Problem == FV_SOUND;
       Cursor = File.Offset + File.Size) {
    Read.Problem = ReadBootFile(&Opened, Cursor, &File, &Found);
    Read.Offset = File.Offset;
    if (Read.Problem != FV_SOUND || !Found) {
      break;
    }
    Read.Files.push_back(File);
    if (File.Header->Type == EFI_FV_FILETYPE_PEIM) {
      Read.Problem = ReadPeimSections(&File, &Read.Peims.emplace_back(), &Read.Offset);
    }
  }
  return Read;
}

// Both readers must refuse Volume at the same place for the same reason; the
// host reader's one line is what is checked against the table.
std::string ReadRefusal(const BYTES &Volume) {
  const FIRMWARE_VOLUME Host = ReadFirmwareVolume(Volume, 0);
  const BOOT_READ Boot = ReadWithBootPlatform(Volume);
  EXPECT_EQ(Boot.Problem, Host.Problem) << FV_PROBLEM_TEXT[Boot.Problem];
  if (FvProblemHasOffset(Host.Problem)) {
    EXPECT_EQ(Boot.Offset, Host.ProblemOffset);
  }
  return ProblemText(Host);
}

std::string Refused(const std::function<void(BYTES &)> &Change, bool KeepChecksums) {
  BYTES Volume = HandBuiltVolume();
  Change(Volume);
  if (KeepChecksums) {
    Resum(Volume);
  }
  return ReadRefusal(Volume);
}

std::string WriterRefusal(const std::vector<PLACED_FILE> &Files) {
  std::string Problem;
  return FirmwareVolumeImage(0x100, 0x80, Files, Problem) ? "written" : Problem;
}

BYTES File2() {
  const BYTES Volume = HandBuiltVolume();
  return BYTES(Volume.begin() + FILE2, Volume.begin() + FILE2 + 0x1D);
}

struct REFUSAL_CASE {
  const char *Name;
  std::function<std::string()> Refusal; // what the writer or the readers say
  const char *Reason;
};

void PrintTo(const REFUSAL_CASE &Case, std::ostream *Stream) {
  *Stream << Case.Name;
}

// Changes that keep the checksums right unless the checksum is the point.
const REFUSAL_CASE REFUSALS[] = {
    {"BadSignature", [] { return Refused([](BYTES &V) { V[0x28] = 'X'; }, true); },
     "no _FVH signature"},
    {"HeaderChecksum", [] { return Refused([](BYTES &V) { V[0x2C] ^= 0x01; }, false); },
     "header checksum does not sum to 0"},
    {"FvLengthPastTheFlash",
     [] { return Refused([](BYTES &V) { V[0x21] = 0x02, V[0x38] = 0x04; }, true); },
     "volume reaches past the end of the flash"},
    {"NotFfs2", [] { return Refused([](BYTES &V) { V[0x1F] ^= 0xFF; }, true); },
     "file system is not FFS2"},
    {"BlockMapShort", [] { return Refused([](BYTES &V) { V[0x38] = 0x01; }, true); },
     "block map does not add up to the volume's length"},
    {"FilePastTheVolume", [] { return Refused([](BYTES &V) { V[FILE2 + 20] = 0x90; }, true); },
     "at volume offset 0x00000078: file reaches past the end of the volume"},
    {"FileHeaderChecksum", [] { return Refused([](BYTES &V) { V[FILE2] ^= 0x01; }, false); },
     "at volume offset 0x00000078: file header checksum does not sum to 0"},
    {"FileDataChecksum", [] { return Refused([](BYTES &V) { V[FILE1 + 44] ^= 0x01; }, false); },
     "at volume offset 0x00000048: file data checksum is wrong"},
    {"FixedCheckByte", [] { return Refused([](BYTES &V) { V[FILE2 + 17] = 0xAB; }, false); },
     "at volume offset 0x00000078: file data checksum is wrong"},
    // 0xFA reads 0x05: data valid, but the header never was.
    {"UnknownState", [] { return Refused([](BYTES &V) { V[FILE2 + 23] = 0xFA; }, false); },
     "at volume offset 0x00000078: file state is not one a written file can have"},
    {"SectionPastItsFile", [] { return Refused([](BYTES &V) { V[FILE1 + 40] = 0x0C; }, true); },
     "at volume offset 0x00000070: section reaches past the end of its file"},
    {"SectionBelowItsHeader", [] { return Refused([](BYTES &V) { V[FILE1 + 32] = 0x02; }, true); },
     "at volume offset 0x00000068: section size is smaller than its header"},
    {"DataAfterFreeSpace", [] { return Refused([](BYTES &V) { V[0xF0] = 0x00; }, false); },
     "at volume offset 0x000000F0: bytes other than erased ones after the free space"},
    {"TopFileNotAtTheEnd",
     [] {
       return Refused(
           [](BYTES &V) {
             const std::array<uint8_t, 16> Top = {0x2E, 0x06, 0xA0, 0x1B, 0x79, 0xC7, 0x82, 0x45,
                                                  0x85, 0x66, 0x33, 0x6A, 0xE8, 0xF7, 0x8F, 0x09};
             std::copy(Top.begin(), Top.end(), V.begin() + FILE2);
           },
           true);
     },
     "at volume offset 0x00000078: volume top file does not end at the volume's end"},
    {"WriterMisalignedFile",
     [] {
       return WriterRefusal({{0x4C, File2()}});
     },
     "at volume offset 0x0000004C: file does not start 8-byte aligned"},
    {"WriterOverlap",
     [] {
       return WriterRefusal({{0x48, File2()}, {0x60, File2()}});
     },
     "at volume offset 0x00000060: overlaps what comes before it, up to 0x00000068"},
    {"WriterPastTheVolume",
     [] {
       return WriterRefusal({{0xF0, File2()}});
     },
     "at volume offset 0x000000F0: file reaches past the end of the volume (29 bytes, the volume "
     "has 256)"},
    {"WriterGapWithoutRoomForAPadFile",
     [] {
       return WriterRefusal({{0x58, File2()}});
     },
     "at volume offset 0x00000058: the 16-byte gap before it has no room for a pad file"},
};

class VolumeRefusal : public testing::TestWithParam<REFUSAL_CASE> {};

TEST_P(VolumeRefusal, GivesItsOneLineReason) {
  EXPECT_EQ(GetParam().Refusal(), GetParam().Reason);
}

INSTANTIATE_TEST_SUITE_P(Cases, VolumeRefusal, testing::ValuesIn(REFUSALS),
                         [](const auto &Info) { return std::string(Info.param.Name); });

TEST(Volume, TheWriterWritesTheHandBuiltBytes) {
  std::string Problem;
  const BYTES Sections = JoinSections(
      {FfsSection(EFI_SECTION_PEI_DEPEX, BYTES{EFI_DEP_TRUE, EFI_DEP_END}),
       UserInterfaceSection("A"), FfsSection(EFI_SECTION_RAW, BYTES{'T', 'V', 'R', 'N'})});
  const std::optional<BYTES> File1 = FfsFile(FILE1_NAME, EFI_FV_FILETYPE_PEIM, Sections, Problem);
  ASSERT_TRUE(File1) << Problem;
  // File 2's fixed check byte is not one the writer makes; it is placed as it is.
  const std::optional<BYTES> Volume =
      FirmwareVolumeImage(0x100, 0x80, {{FILE1, *File1}, {FILE2, File2()}}, Problem);
  ASSERT_TRUE(Volume) << Problem;
  EXPECT_EQ(*Volume, HandBuiltVolume());
}

TEST(Volume, BothReadersReadTheHandBuiltVolumeFileByFile) {
  const BYTES Bytes = HandBuiltVolume();
  const FIRMWARE_VOLUME Host = ReadFirmwareVolume(Bytes, 0);
  ASSERT_EQ(Host.Problem, FV_SOUND) << ProblemText(Host);
  EXPECT_EQ(Host.Length, 0x100u);
  ASSERT_EQ(Host.Files.size(), 2u);
  const FFS_FILE &Peim = Host.Files[0];
  EXPECT_EQ(Peim.Offset, FILE1);
  EXPECT_EQ(Peim.Name, FILE1_NAME);
  EXPECT_EQ(Peim.Type, EFI_FV_FILETYPE_PEIM);
  EXPECT_EQ(Peim.Size, 0x30u);
  EXPECT_TRUE(IsLiveFile(Peim));
  EXPECT_TRUE(Peim.HeaderChecksumValid);
  EXPECT_EQ(Peim.DataChecksumValid, true);
  EXPECT_EQ(Peim.UserInterfaceName, "A");
  ASSERT_EQ(Peim.Sections.size(), 3u);
  const uint8_t Types[] = {EFI_SECTION_PEI_DEPEX, EFI_SECTION_USER_INTERFACE, EFI_SECTION_RAW};
  for (size_t Index = 0; Index < 3; ++Index) {
    EXPECT_EQ(Peim.Sections[Index].Type, Types[Index]);
    EXPECT_EQ(Peim.Sections[Index].Offset, 24 + 8 * Index);
  }
  const std::span<const uint8_t> Raw3 = SectionData(Host, Peim, Peim.Sections[2]);
  EXPECT_EQ(BYTES(Raw3.begin(), Raw3.end()), (BYTES{'T', 'V', 'R', 'N'}));
  const FFS_FILE &Raw = Host.Files[1];
  EXPECT_EQ(Raw.Offset, FILE2);
  EXPECT_EQ(Raw.Type, EFI_FV_FILETYPE_RAW);
  EXPECT_EQ(Raw.DataChecksumValid, true);
  EXPECT_TRUE(Raw.Sections.empty());
  const std::span<const uint8_t> RawData = FileData(Host, Raw);
  EXPECT_EQ(BYTES(RawData.begin(), RawData.end()), (BYTES{'R', 'A', 'W', '!', '!'}));

  const BOOT_READ Boot = ReadWithBootPlatform(Bytes);
  ASSERT_EQ(Boot.Problem, FV_SOUND) << FV_PROBLEM_TEXT[Boot.Problem];
  ASSERT_EQ(Boot.Files.size(), 2u);
  for (size_t Index = 0; Index < 2; ++Index) {
    EXPECT_EQ(Boot.Files[Index].Offset, Host.Files[Index].Offset);
    EXPECT_EQ(Boot.Files[Index].Size, Host.Files[Index].Size);
    EXPECT_TRUE(IsLiveFile(&Boot.Files[Index]));
  }
  ASSERT_EQ(Boot.Peims.size(), 1u);
  const PEIM_SECTIONS &Sections = Boot.Peims[0];
  EXPECT_EQ(BYTES(Sections.Dependency.Data, Sections.Dependency.Data + Sections.Dependency.Size),
            (BYTES{EFI_DEP_TRUE, EFI_DEP_END}));
  EXPECT_EQ(Sections.Image.Data, nullptr);
  ASSERT_NE(Sections.Name, nullptr);
  EXPECT_EQ(std::u16string(Sections.Name), u"A");
}

} // namespace
