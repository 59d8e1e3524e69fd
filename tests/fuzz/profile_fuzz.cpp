// Any bytes as a profile file, then lookups and writes drawn from the rest of the input.
//
// Checked: parsing never fails and gives the file back byte for byte until a write changes it; reads
// never exceed the length limit; after every write the document agrees with a fresh parse of what it
// would write (the reload the profile functions do before each call), and with applying that one
// write to a fresh parse of the previous bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/profile/profile_document.h"
#include "core/text/cp936.h"

using corvallo::profile::kMaxValueBytes;
using corvallo::profile::ProfileDocument;

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool withinLimit(const std::optional<std::string>& value)
{
    return !value || corvallo::text::utf8ToCp936(*value).size() <= kMaxValueBytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string file = input.ConsumeRandomLengthString(4096);

    ProfileDocument doc = ProfileDocument::parse(file);
    check(doc.serialize() == file);
    check(!doc.modified());

    std::vector<std::pair<std::string, std::string>> asked;
    std::string bytes = file;
    while (input.remaining_bytes() > 0) {
        std::string section = input.ConsumeRandomLengthString(16);
        std::string key = input.ConsumeRandomLengthString(16);
        asked.emplace_back(section, key);
        if (input.ConsumeBool()) {
            check(withinLimit(doc.value(section, key)));
            const std::string fallback = input.ConsumeRandomLengthString(32);
            const std::string read = doc.valueOr(section, key, fallback);
            check(corvallo::text::utf8ToCp936(read).size() <= kMaxValueBytes);
            (void)doc.hasSection(section);
            (void)doc.keyNames(section);
            continue;
        }
        const std::string value = input.ConsumeRandomLengthString(64);
        doc.setValue(section, key, value);

        ProfileDocument reloaded = ProfileDocument::parse(bytes);
        reloaded.setValue(section, key, value);
        bytes = reloaded.serialize();
        check(doc.serialize() == bytes);

        const ProfileDocument fresh = ProfileDocument::parse(bytes);
        check(fresh.serialize() == bytes);
        for (const auto& [s, k] : asked) {
            check(doc.value(s, k) == fresh.value(s, k));
            check(doc.hasSection(s) == fresh.hasSection(s));
            check(doc.keyNames(s) == fresh.keyNames(s));
        }
        check(doc.sectionNames() == fresh.sectionNames());
        check(doc.encoding() == fresh.encoding());
    }
    return 0;
}
