#pragma once

#include <services/DictCoreData.h>
#include <services/DictDatamodelEstratti.h>
#include <services/LogoStoreContext.h>
#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>

#include <any>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class View;

// The keeper of the user's logos: the stored rows (myArrLoghiInCore) and, index for index, the
// logos in memory (myArrLoghiEstratti), plus a few values several screens share.
class mySingleElementiManage {
public:
    // The store of the application's delegate, made on first use (defined with the delegate).
    static mySingleElementiManage& sharedInstance();

    // The rows live in the context's object store; modelName is the device model the program
    // runs on, as the application's delegate reads it.
    mySingleElementiManage(std::weak_ptr<LogoStoreContext> appDelegate, std::string modelName);

    const std::string modelName;
    Image myImageSfondoHome;
    std::vector<std::string> myArrStringNameGEOMETRY;
    std::vector<std::string> myArrStringNameICON;
    const std::string myStringNameCore { "DictCoreData" };
    std::map<std::string, std::map<std::string, std::any>> myDictLoghiGenerale;
    const std::string keyImage { "image" };
    const std::string keyColor { "coloreView" };
    const std::string keyArrVIew { "arrayViewModel" };
    double myNumMbLiber { 0.0 };
    std::vector<DictCoreData> myArrLoghiInCore;
    std::vector<std::shared_ptr<DictDatamodelEstratti>> myArrLoghiEstratti;
    // Where the logo saved last stands in the store: other programs may have added logos to the
    // same file meanwhile, so it is not always the last.
    std::optional<size_t> myIndexUltimoSalvato;
    const std::weak_ptr<LogoStoreContext> appDelegate;

    // Reloads every logo. Thumbnails come from the rows' cache; no full picture is decoded unless
    // a row lacks its cache. A picture, layer list or colour that does not decode is left absent
    // with a diagnostic naming the row; the logo still loads.
    void metodoCaricaDictOfData();
    // Inserts one row made from the logo and saves. Refused (nothing stored) when the picture
    // cannot be encoded. Afterwards the logo reads its picture from the row.
    Result<void> metodoSalvaNewObjectInCoreData(const std::string& key, const std::shared_ptr<DictDatamodelEstratti>& oggettoData);
    // Deletes logo i from both lists and the file. Refused when i is outside the lists.
    Result<void> metodoEliminaLogoDalDictWithIndex(std::int64_t index);
    // Deletes logo i and inserts the new logo at the end. Refused, touching nothing, when i is
    // outside the lists or the new picture cannot be encoded. The caller appends the new logo.
    Result<void> metodoModificaIndexWithIndexDaModificare(std::int64_t index, const std::shared_ptr<DictDatamodelEstratti>& oggettoDaInserire);
    // Adds a logo made from a picture only.
    Result<void> metodoAggiungiSingolaImage(const Image& image);
    // Turns the editor's canvas into a logo: one layer record per sticker in child order (a child
    // that is not a sticker, or a sticker without an image name, is skipped), the picture of the
    // layers alone (1400 points wide, as high as the canvas's aspect gives, at scale 2, transparent
    // wherever no layer is), its thumbnail and the canvas colour. Stored as a new logo, or in
    // place of logo `index` (which then moves to the end). Returns the picture. The canvas loses its
    // background colour for the picture; when the store refuses, it gets it back and nothing is
    // kept.
    Result<Image> metodoSalvaLogoDaView(View& canvas, std::optional<std::int64_t> index);
    // The layer records of a canvas, bottom first, as metodoSalvaLogoDaView stores them.
    static std::vector<ViewModel> metodoRecordDaCanvas(const View& canvas);
    // The canvas drawn as a logo picture (see metodoSalvaLogoDaView), background included if it has one.
    static Image metodoImmagineDaCanvas(View& canvas);
    std::int64_t metodoTornaKeyMaggiore() const;
    std::vector<std::shared_ptr<DictDatamodelEstratti>>& metodoReturnArrayEstratti() { return myArrLoghiEstratti; }
    // The picture scaled so that its longer side is larghezzaMassima points, scale 1, transparent.
    static Image ResizeImage(const Image& image, double larghezzaMassima);
    void metodoRiempiNomiGeo();
    void metodoRiempiNomiIcon();

private:
    std::shared_ptr<LogoStoreContext> delegate() const;
    std::vector<DictCoreData> fetchRows();
    Result<void> checkIndex(std::int64_t index) const;
    Result<DictCoreData> insertRow(const DictDatamodelEstratti& oggettoData);
    std::string describeRow(size_t index, const DictCoreData& row) const;

    // Thumbnails by row, so that reloading (every time the gallery opens) decodes only new ones.
    // Row keys are never reused, so an entry can only be stale by being gone.
    std::map<std::int64_t, Image> m_thumbnails;
};

// A picture made into a logo the way the gallery's load makes it: scaled so that its longer side
// is 800 points, centred in an 800 × 800 square with transparent margins, at scale 1.
Image logoSquareFromPicture(const Image& picture);

// The largest picture taken as a logo, in pixels: `logos add`, `stamp --logo` and a drop on the
// gallery refuse the same pictures, with the same reason.
inline constexpr std::int64_t kMaxLogoPixels = 64'000'000;

// A picture file made into a logo as `vardenico logos add` and a drop on the gallery make it:
// decoded (refused above kMaxLogoPixels), turned upright by its orientation tag, then squared as
// above. Fails with the reason when the file is no picture that can be read.
Result<Image> logoSquareFromFile(const std::filesystem::path& path);

}
