// Names, member lines and summary lines of a fleet run.
#include "core/fleet_plan.h"

#include <cctype>
#include <cstdio>
#include <cstring>

const char kFleetMemberTag[] = "kovexa-fleet-member";
const char kFleetCsvHeader[] = "port,model,firmware,result,first failed step,report file\n";

namespace {

const char kNoName[] = "none";
const char kPortField[] = "{PORT}";
const char kModelField[] = "{MODEL}";

struct ResultWord {
    int exitCode;
    const char* word;
};
const ResultWord kResultWords[] = {{0, "held"}, {1, "failed"}};
const char kResultError[] = "error";

int NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// Appends text to out at *at; 0 when it does not fit.
int Append(char* out, int size, int* at, const char* text) {
    const int n = static_cast<int>(std::strlen(text));
    if (*at + n >= size) return 0;
    std::memcpy(out + *at, text, static_cast<size_t>(n) + 1);
    *at += n;
    return 1;
}

// A field of a tab-separated line: tabs and line ends become blanks.
void Flatten(const char* text, char* out, int size) {
    int at = 0;
    for (const char* c = text ? text : ""; *c && at < size - 1; ++c)
        out[at++] = *c == '\t' || *c == '\n' || *c == '\r' ? ' ' : *c;
    out[at] = '\0';
}

void CsvCell(const char* text, char* out, int size, int* at, int last) {
    if (*at < size - 1) out[(*at)++] = '"';
    for (const char* c = text; *c && *at < size - 3; ++c) {
        if (*c == '"') out[(*at)++] = '"';
        out[(*at)++] = *c == '\n' || *c == '\r' ? ' ' : *c;
    }
    if (*at < size - 2) out[(*at)++] = '"';
    if (*at < size - 1) out[(*at)++] = last ? '\n' : ',';
    out[*at] = '\0';
}

}  // namespace

int FleetNamePart(const char* text, char* out, int size) {
    if (size < 1) return 0;
    int at = 0;
    int gap = 0;
    for (const char* c = text ? text : ""; *c; ++c) {
        if (!NameChar(*c)) {
            gap = 1;
            continue;
        }
        if (gap && at > 0 && at < size - 1) out[at++] = '_';
        gap = 0;
        if (at == 0 && (*c == '.' || *c == '_')) continue;  // no hidden or odd-looking names
        if (at < size - 1) out[at++] = *c;
    }
    while (at > 0 && (out[at - 1] == '.' || out[at - 1] == '_')) --at;
    out[at] = '\0';
    if (at == 0) {
        std::snprintf(out, static_cast<size_t>(size), "%s", kNoName);
        return static_cast<int>(std::strlen(out));
    }
    return at;
}

int FleetExpandNames(const char* text, const char* port, const char* model, char* out, int size) {
    if (size < 1) return 0;
    char portName[kFleetFieldSize], modelName[kFleetFieldSize];
    FleetNamePart(port, portName, sizeof portName);
    FleetNamePart(model, modelName, sizeof modelName);
    int at = 0;
    out[0] = '\0';
    char one[2] = {0, 0};
    for (const char* c = text ? text : ""; *c;) {
        int ok = 1;
        if (std::strncmp(c, kPortField, sizeof kPortField - 1) == 0) {
            ok = Append(out, size, &at, portName);
            c += sizeof kPortField - 1;
        } else if (std::strncmp(c, kModelField, sizeof kModelField - 1) == 0) {
            ok = Append(out, size, &at, modelName);
            c += sizeof kModelField - 1;
        } else {
            one[0] = *c++;
            ok = Append(out, size, &at, one);
        }
        if (!ok) {
            out[0] = '\0';
            return 0;
        }
    }
    return 1;
}

int FleetMemberLine(const char* model, const char* firmware, const char* failed, const char* report,
                    char* out, int size) {
    char f[4][kFleetFieldSize];
    Flatten(model, f[0], kFleetFieldSize);
    Flatten(firmware, f[1], kFleetFieldSize);
    Flatten(failed, f[2], kFleetFieldSize);
    Flatten(report, f[3], kFleetFieldSize);
    const int n = std::snprintf(out, static_cast<size_t>(size), "%s\t%s\t%s\t%s\t%s\n",
                                kFleetMemberTag, f[0], f[1], f[2], f[3]);
    return n < 0 ? 0 : (n >= size ? size - 1 : n);
}

int FleetParseMemberLine(const char* line, FleetResult* r) {
    const size_t tag = sizeof kFleetMemberTag - 1;
    if (!line || std::strncmp(line, kFleetMemberTag, tag) != 0 || line[tag] != '\t') return 0;
    char* fields[] = {r->model, r->firmware, r->failed, r->report};
    const char* c = line + tag + 1;
    for (char* field : fields) {
        int at = 0;
        while (*c && *c != '\t' && *c != '\n' && *c != '\r') {
            if (at < kFleetFieldSize - 1) field[at++] = *c;
            ++c;
        }
        field[at] = '\0';
        if (*c == '\t') ++c;
    }
    return 1;
}

const char* FleetResultWord(int exitCode) {
    for (const ResultWord& w : kResultWords)
        if (w.exitCode == exitCode) return w.word;
    return kResultError;
}

int FleetSummaryLine(const FleetResult* r, int csv, char* out, int size) {
    if (size < 1) return 0;
    const char* cells[] = {r->port,   r->model, r->firmware, FleetResultWord(r->exitCode),
                           r->failed, r->report};
    const int count = static_cast<int>(sizeof cells / sizeof cells[0]);
    int at = 0;
    out[0] = '\0';
    for (int i = 0; i < count; ++i) {
        if (csv) {
            CsvCell(cells[i], out, size, &at, i == count - 1);
            continue;
        }
        char flat[kFleetFieldSize];
        Flatten(cells[i][0] ? cells[i] : "-", flat, sizeof flat);
        const int n = std::snprintf(out + at, static_cast<size_t>(size - at), "%s%c", flat,
                                    i == count - 1 ? '\n' : '\t');
        if (n < 0 || n >= size - at) break;
        at += n;
    }
    return at;
}

int FleetPortOfLine(const char* line, char* out, int size) {
    if (size < 1) return 0;
    out[0] = '\0';
    const char* begin = line ? line : "";
    while (*begin && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    const char* end = begin + std::strlen(begin);
    while (end > begin && std::isspace(static_cast<unsigned char>(end[-1]))) --end;
    const int n = static_cast<int>(end - begin);
    if (n == 0 || *begin == '#' || n >= size) return 0;
    std::memcpy(out, begin, static_cast<size_t>(n));
    out[n] = '\0';
    return 1;
}
