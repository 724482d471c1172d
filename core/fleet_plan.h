// A fleet of sensors in one run, without the platform: the names that
// {PORT} and {MODEL} stand for in file names, the line a member process
// ends with, and the summary line of each sensor.
//
// Facts owned here:
//  - a name part keeps letters, digits, '.', '-' and '_'; every other run
//    of characters becomes one '_', leading and trailing '_' and '.' go
//    ("/dev/ttyUSB0" -> "dev_ttyUSB0", "socket://127.0.0.7:4001" ->
//    "socket_127.0.0.7_4001"); an empty result is "none";
//  - a member's last line on standard output is kFleetMemberTag, then
//    model, firmware, first failure and report file, separated by tabs
//    (tabs and line ends inside them become blanks);
//  - the summary has the columns port, model, firmware, result, first
//    failed step, report file; result "held" (exit 0), "failed" (exit 1)
//    or "error" (anything else: a bad start, a crash).
#pragma once

enum {
    kFleetFieldSize = 512,
    kFleetLineSize = 4 * kFleetFieldSize,
};

extern const char kFleetMemberTag[];  // "kovexa-fleet-member"
extern const char kFleetCsvHeader[];  // header row of fleet-summary.csv

// The file-name part of text into out (at most size-1 characters); its length.
int FleetNamePart(const char* text, char* out, int size);
// text with every {PORT} and {MODEL} replaced by the name parts of port
// and model. 1, or 0 when the result does not fit (out then empty).
int FleetExpandNames(const char* text, const char* port, const char* model, char* out, int size);

struct FleetResult {
    char port[kFleetFieldSize];
    char model[kFleetFieldSize];
    char firmware[kFleetFieldSize];
    char failed[kFleetFieldSize];
    char report[kFleetFieldSize];
    int exitCode;
};

// The member's closing line (ends with '\n'); its length.
int FleetMemberLine(const char* model, const char* firmware, const char* failed, const char* report,
                    char* out, int size);
// Takes the fields of a member line into *r (port and exit code untouched);
// 1 when line is one.
int FleetParseMemberLine(const char* line, FleetResult* r);
const char* FleetResultWord(int exitCode);
// One sensor's summary: CSV (quoted cells, quotes doubled) with csv 1,
// else tab-separated for the terminal. Ends with '\n'; its length.
int FleetSummaryLine(const FleetResult* r, int csv, char* out, int size);
// A line of a ports file: the port with blanks around it trimmed into out;
// 0 for a blank line or a comment ('#'), or one too long.
int FleetPortOfLine(const char* line, char* out, int size);
