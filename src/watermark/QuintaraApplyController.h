#pragma once

#include <platform/graphics/Image.h>
#include <platform/photos/PhotoAsset.h>
#include <platform/ui/presentation/ViewController.h>

#include <optional>
#include <vector>

namespace vd {

// The apply screen ("quintaraapply"): places the logo over a preview of the selected photos and
// stamps every one of them. The photo browser sets the three inputs before pushing it.
class QuintaraApplyController : public ViewController {
public:
    std::string className() const override { return "QuintaraApplyController"; }

    std::optional<FetchResult<PhotoAsset>> assetsFetchResults; // the photos the browser showed
    std::vector<int> myArrayIndexSelezionati;                   // positions in assetsFetchResults, in selection order
    std::optional<Image> logoDaAplicare;                        // the logo to stamp
};

}
