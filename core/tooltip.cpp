#include "core/tooltip.h"

#include <cstring>

namespace {

int EndsSentence(const char* p) {
    return (*p == '.' || *p == '!' || *p == '?') && (p[1] == '\0' || p[1] == ' ' || p[1] == '\n');
}

// Past a first line that ends with ':' (the help box's heading).
const char* SkipHeading(const char* help) {
    const char* nl = std::strchr(help, '\n');
    if (nl != nullptr && nl > help && nl[-1] == ':') return nl + 1;
    return help;
}

}  // namespace

int FirstSentence(const char* help, char* out, int size) {
    if (out == nullptr || size < 1) return 0;
    out[0] = '\0';
    if (help == nullptr) return 0;
    int n = 0;
    for (const char* p = SkipHeading(help); *p != '\0' && n < size - 1; ++p) {
        char c = *p;
        if (c == '\n') {
            // "light-\nsource" is one word; other breaks are spaces.
            if (n > 0 && out[n - 1] == '-') continue;
            c = ' ';
        }
        if (c == ' ' && (n == 0 || out[n - 1] == ' ')) continue;
        out[n++] = c;
        if (EndsSentence(p)) break;
    }
    while (n > 0 && out[n - 1] == ' ') --n;
    out[n] = '\0';
    return n;
}
