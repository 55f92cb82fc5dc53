#pragma once

#include <platform/store/ObjectStore.h>

#include <filesystem>
#include <memory>

namespace vd {

// What the logo store needs from the program that owns it: the object store it keeps its rows in,
// a way to save it and the file's path for messages. The application's delegate provides it, so
// the library never depends on the app folder.
class LogoStoreContext {
public:
    virtual ~LogoStoreContext() = default;
    // The open object store; one that cannot be opened ends the program with a line that says why.
    virtual const std::shared_ptr<store::ObjectStore>& managedObjectContext() = 0;
    // Writes pending changes; a failed save ends the program with a line that says why.
    virtual void saveContext() = 0;
    virtual std::filesystem::path storeFile() const = 0;
};

}
