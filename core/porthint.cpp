#include "core/porthint.h"

#include <cstdio>

namespace {

const char kTxtNotPermitted[] =
    "%s - permission denied: add yourself to the dialout group "
    "(sudo usermod -aG dialout $USER) and log in again";
const char kTxtHeldBy[] = "%s - port busy: %s holds it; close that program";
const char kTxtHeld[] = "%s - port busy: another program holds it; close that program";

}  // namespace

int PortRefusalText(const char* described, const PortRefusal* refusal, char* out, int size) {
    if (out == nullptr || size < 1) return 0;
    const size_t n = static_cast<size_t>(size);
    if (refusal == nullptr || !refusal->exists) {
        std::snprintf(out, n, "%s", described);
        return 0;
    }
    if (!refusal->permitted)
        std::snprintf(out, n, kTxtNotPermitted, described);
    else if (refusal->holder != nullptr && refusal->holder[0] != '\0')
        std::snprintf(out, n, kTxtHeldBy, described, refusal->holder);
    else
        std::snprintf(out, n, kTxtHeld, described);
    return 1;
}
