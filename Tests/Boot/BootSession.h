// What the boot tests share: running Scripts/boot.sh and reading its log, and
// the flash map lines the boot platform logs for the published record.
#pragma once

#include <string>
#include <vector>

struct BOOT_LOG {
  int Status = -1;                // of the command: for boot.sh, 0 when the boot succeeded
  std::string Output;             // serial log and the command's own lines, CR LF kept
  std::vector<std::string> Lines; // without line ends
};

// Runs Command through the shell, its stderr with its stdout.
BOOT_LOG RunCommand(const std::string &Command);

// Splits Text into the lines of Log.
void SetLogText(BOOT_LOG &Log, const std::string &Text);

// Index of the first line that starts with Prefix, or -1.
int FindLine(const BOOT_LOG &Log, const std::string &Prefix);

bool HasLine(const BOOT_LOG &Log, const std::string &Line);

// "[flash-map] ppi {E286BDA9-...}: descriptor flags 0x80000010", the start of
// the line before the record's.
extern const std::string FLASH_MAP_PPI_LINE;

// The published record as the consumer prints it, one field a line.
std::vector<std::string> ExpectedFlashMapLines();

// The record's lines of Log: those of the flash map but its ppi line.
std::vector<std::string> FlashMapFields(const BOOT_LOG &Log);
