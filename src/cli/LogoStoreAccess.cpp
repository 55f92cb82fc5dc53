#include <cli/LogoStoreAccess.h>

#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Log.h>
#include <platform/graphics/ImageCodecs.h>

#include <charconv>

namespace vd::cli {

namespace {

std::string plural(size_t count, const char* one, const char* many) { return std::to_string(count) + " " + (count == 1 ? one : many); }

}

mySingleElementiManage& loadedLogoStore(StoreUse use)
{
    const auto delegate = AppDelegate::shared();
    delegate->setPlainFailureLines(true);
    auto& store = delegate->logoStore();
    store.metodoCaricaDictOfData();
    // Reading a store that could not even be made says why it is empty; a command that writes
    // says it once, when its save fails.
    if (const auto& failure = delegate->managedObjectContext()->creationFailure(); failure && use == StoreUse::Reading)
        log::warning(failure->message + "; the store reads as empty until a save can create it");
    return store;
}

std::string logoStorePath() { return AppDelegate::shared()->storeFile().string(); }

Result<std::int64_t> logoIndexInStore(const std::string& text, const mySingleElementiManage& store)
{
    std::int64_t index = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    const auto count = static_cast<std::int64_t>(store.myArrLoghiEstratti.size());
    if (error != std::errc() || end != text.data() + text.size())
        return fail("\"" + text + "\"", "not a logo index (logos are numbered from 0)");
    if (index < 0 || index >= count)
        return fail("logo " + text, count == 0 ? "the store has no logos" : "no such logo (the store has " + plural(static_cast<size_t>(count), "logo", "logos") + ", numbered 0 to " + std::to_string(count - 1) + ")");
    return index;
}

Result<StoredLogoPicture> storedLogoPicture(const std::string& indexText)
{
    auto& store = loadedLogoStore();
    auto index = logoIndexInStore(indexText, store);
    if (!index)
        return std::unexpected(index.error());
    const auto& logo = *store.myArrLoghiEstratti[static_cast<size_t>(*index)];
    auto png = logo.imagePngData();
    if (!png)
        return std::unexpected(png.error());
    auto picture = decodePng(*png, { .name = "logo " + indexText });
    if (!picture)
        return std::unexpected(picture.error());
    return StoredLogoPicture { std::move(*png), std::move(*picture) };
}

}
