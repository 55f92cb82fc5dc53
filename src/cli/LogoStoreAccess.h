#pragma once

#include <services/mySingleElementiManage.h>
#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vd {
class mySingleElementiManage;
}

namespace vd::cli {

// How the commands reach the logo store in the documents folder (dictModel.sqlite).


// Whether a command only reads the store or also writes it.
enum class StoreUse { Reading, Writing };

// The shared logo store with every stored logo loaded. A store that cannot be opened ends the
// program with the "Unresolved error " line, leaving the file as it was; one that cannot be saved
// ends it with one line naming the file and the reason.
mySingleElementiManage& loadedLogoStore(StoreUse use = StoreUse::Reading);
std::string logoStorePath();

// A logo index as typed, checked against the store; the error names what was typed.
Result<std::int64_t> logoIndexInStore(const std::string& text, const mySingleElementiManage& store);

// The picture of the logo typed as indexText: its stored PNG bytes and the decoded picture. A
// damaged row is reported naming the logo, never handed on.
struct StoredLogoPicture {
    std::vector<std::uint8_t> png;
    Image picture;
};
Result<StoredLogoPicture> storedLogoPicture(const std::string& indexText);

}
