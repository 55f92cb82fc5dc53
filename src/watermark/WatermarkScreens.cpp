#include <app/ProgramScreens.h>

#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <watermark/QuintaraApplyController.h>
#include <watermark/QuintaraReviewController.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {

// The apply screen opened directly: {"photos": [positions in the library, newest first],
// "logo": "FILE.png", "jobs": N}. Without "photos" every photo of the library is selected.
Result<void> readApplyInputs(ViewController& screen, const nlohmann::json& inputs, const std::string& where)
{
    auto& apply = dynamic_cast<QuintaraApplyController&>(screen);
    FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    options.predicate = FetchPredicate::equal("mediaType", static_cast<long long>(AssetMediaType::Image));
    auto assets = PhotoLibrary::sharedPhotoLibrary().fetchAssetsWithOptions(options);
    std::vector<int> positions;
    if (inputs.contains("photos")) {
        if (!inputs["photos"].is_array())
            return fail(where, "\"photos\" must be a list of positions");
        for (const auto& position : inputs["photos"]) {
            if (!position.is_number_integer() || position.get<long long>() < 0 || position.get<long long>() >= static_cast<long long>(assets.count()))
                return fail(where, "\"photos\": " + position.dump() + " is not a position in the library's " + std::to_string(assets.count()) + " photos");
            positions.push_back(position.get<int>());
        }
    } else {
        for (size_t i = 0; i < assets.count(); ++i)
            positions.push_back(static_cast<int>(i));
    }
    if (inputs.contains("logo")) {
        if (!inputs["logo"].is_string())
            return fail(where, "\"logo\" must be the path of a picture");
        DecodeOptions decode;
        decode.name = inputs["logo"].get<std::string>();
        decode.maxPixels = 64'000'000;
        auto logo = decodeImageFile(decode.name, decode);
        if (!logo)
            return fail(where, "\"logo\": " + logo.error().message);
        apply.logoDaAplicare = std::move(*logo);
    }
    if (inputs.contains("jobs")) {
        if (!inputs["jobs"].is_number_integer() || inputs["jobs"].get<int>() < 1 || inputs["jobs"].get<int>() > 64)
            return fail(where, "\"jobs\" must be a whole number from 1 to 64");
        apply.myNumeroLavori = inputs["jobs"].get<unsigned>();
    }
    apply.assetsFetchResults = std::move(assets);
    apply.myArrayIndexSelezionati = std::move(positions);
    return {};
}

}

void registerWatermarkScreens()
{
    auto& registry = ScreenRegistry::shared();
    registry.registerClass<QuintaraApplyController>("QuintaraApplyController");
    registry.registerClass<QuintaraApplyControllerIPAD>("QuintaraApplyControllerIPAD");
    registry.registerScreen("quintaraapply", "QuintaraApplyController");
    registerScreenInputs("quintaraapply", readApplyInputs);
    registry.registerClass<QuintaraReviewController>("QuintaraReviewController");
    registry.registerClass<QuintaraReviewControllerIPAD>("QuintaraReviewControllerIPAD");
    registry.registerScreen("quintarareview", "QuintaraReviewController");
}

}
