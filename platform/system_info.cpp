#include "platform/system_info.h"

#include <iterator>

namespace corvallo::platform {

int windowsVersionCodeFor(WindowsVersion version) {
    // Compared as whole numbers: a major.minor/10 float would take 5.10 for 6.0.
    static constexpr WindowsVersion kKnown[] = {{5, 0}, {5, 1}, {5, 2}, {6, 0}, {6, 1}, {6, 2}};
    for (int i = 0; i < static_cast<int>(std::size(kKnown)); ++i) {
        if (kKnown[i].major == version.major && kKnown[i].minor == version.minor) return i + 1;
    }
    return -1;
}

WindowsVersion asSeenByUndeclaredPrograms(WindowsVersion actual) {
    if (actual.major > 6 || (actual.major == 6 && actual.minor > 2)) return {6, 2};
    return actual;
}

}  // namespace corvallo::platform
