// The status line's text and where it is shown (see status.h).
#include "core/status.h"

#include <cstdio>
#include <cstring>

#include "core/protocol.h"

namespace {
StatusSink gSink = nullptr;
}

void InstallStatusSink(StatusSink sink) {
    gSink = sink;
}

void CopyStatus(const char* text) {
    std::strncpy(szStatus, text, sizeof szStatus - 1);
    szStatus[sizeof szStatus - 1] = '\0';
}

void SetStatus(const char* text) {
    CopyStatus(text);
    ShowStatus();
}

void ShowStatus(void) {
    ShowStatusText(szStatus);
}

void ShowStatusText(const char* text) {
    if (gSink != nullptr) gSink(text);
}

void SetStatusNaming(const char* text, const char* name) {
    char line[kTextSize + kPathSize];
    std::snprintf(line, sizeof line, "%s %s", text, name);
    // szStatus keeps what fits; the line shows the whole name.
    CopyStatus(line);
    ShowStatusText(line);
}

const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; ++c)
        if (*c == '/' || *c == '\\') name = c + 1;
    return name;
}
