// The status line's text: szStatus keeps the fixed text of the last outcome
// (72 bytes, always terminated); showing it is the panels' business, so the
// program hands in where it goes once its panels exist. No platform.
#pragma once

// Where shown texts go; until one is installed they are only kept.
typedef void (*StatusSink)(const char* text);
void InstallStatusSink(StatusSink sink);

// Copies text into szStatus (always terminated, cut at 71 characters).
void CopyStatus(const char* text);
// CopyStatus and show it.
void SetStatus(const char* text);
// Shows szStatus in the status line.
void ShowStatus(void);
// Shows a text in the status line without keeping it in szStatus.
void ShowStatusText(const char* text);
// Shows "text name" in the status line, whole; szStatus keeps what fits.
void SetStatusNaming(const char* text, const char* name);
// The file name part of a path (after the last '/' or '\\').
const char* FileNameOf(const char* path);
