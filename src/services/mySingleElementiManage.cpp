#include <services/mySingleElementiManage.h>
#include <platform/foundation/Log.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>

#include <algorithm>
#include <charconv>

namespace vd {

namespace {
constexpr double kThumbnailSide = 200;
constexpr double kPictureLogoSide = 800;
}

mySingleElementiManage::mySingleElementiManage(std::weak_ptr<LogoStoreContext> appDelegate, std::string modelName)
    : modelName(std::move(modelName))
    , appDelegate(std::move(appDelegate))
{
}

std::shared_ptr<LogoStoreContext> mySingleElementiManage::delegate() const
{
    auto strong = appDelegate.lock();
    if (!strong)
        log::fatal("Unresolved error the application's delegate is gone");
    return strong;
}

std::vector<DictCoreData> mySingleElementiManage::fetchRows()
{
    auto rows = delegate()->managedObjectContext()->fetchAll(myStringNameCore);
    if (!rows)
        log::fatal("Failed to fetch person: " + rows.error().message);
    std::vector<DictCoreData> result;
    result.reserve(rows->size());
    for (auto& object : *rows)
        result.emplace_back(std::move(object));
    return result;
}

std::string mySingleElementiManage::describeRow(size_t index, const DictCoreData& row) const
{
    return delegate()->storeFile().filename().string() + ", logo " + std::to_string(index) + " (row " + std::to_string(row.rowId()) + ")";
}

void mySingleElementiManage::metodoCaricaDictOfData()
{
    log::debug("Carico CoreData");
    myArrLoghiEstratti.clear();
    myArrLoghiInCore = fetchRows();
    bool cachesFilled = false;
    for (size_t i = 0; i < myArrLoghiInCore.size(); ++i) {
        const DictCoreData& row = myArrLoghiInCore[i];
        const std::string where = describeRow(i, row);
        auto logo = std::make_shared<DictDatamodelEstratti>();
        if (row.hasMyImagePng()) {
            logo->setStoredPicture(row, where);
            if (auto known = m_thumbnails.find(row.rowId()); known != m_thumbnails.end())
                logo->myImageRESIZED = known->second;
            else if (auto cache = row.thumbnailCache()) {
                if (auto thumbnail = decodePng(*cache, { .name = where + " thumbnail" }))
                    logo->myImageRESIZED = *thumbnail;
            }
            if (!logo->myImageRESIZED) {
                // No usable cache (a row written before the cache existed): decode the picture
                // once and keep its thumbnail for the next load.
                if (auto picture = logo->myImage()) {
                    logo->myImageRESIZED = ResizeImage(*picture, kThumbnailSide);
                    if (auto encoded = encodePng(*logo->myImageRESIZED)) {
                        myArrLoghiInCore[i].setThumbnailCache(std::move(*encoded));
                        cachesFilled = true;
                    }
                } else {
                    log::warning(where + ": the stored picture does not decode; the logo loads without it");
                }
            }
        }
        if (auto archive = row.myArrViewModel()) {
            auto records = unarchiveViewModels(*archive, where + " layers");
            if (records)
                logo->myArrViewModel = std::move(*records);
            else
                log::warning(records.error().message + "; the logo loads without its layers");
        }
        if (auto archive = row.myColoreView()) {
            auto color = unarchiveColor(*archive, where + " canvas colour");
            if (color)
                logo->myColoreSfongo = *color;
            else
                log::warning(color.error().message + "; the logo loads without its canvas colour");
        }
        myArrLoghiEstratti.push_back(std::move(logo));
    }
    m_thumbnails.clear();
    for (size_t i = 0; i < myArrLoghiInCore.size(); ++i)
        if (myArrLoghiEstratti[i]->myImageRESIZED)
            m_thumbnails.emplace(myArrLoghiInCore[i].rowId(), *myArrLoghiEstratti[i]->myImageRESIZED);
    // The thumbnails are a cache: a store that cannot be written (read-only media, a full disk)
    // still loads, and they are made again next time.
    if (cachesFilled)
        if (auto saved = delegate()->managedObjectContext()->save(); !saved)
            log::warning(delegate()->storeFile().string() + ": cannot keep the logos' thumbnails (" + saved.error().message + ")");
}

Result<DictCoreData> mySingleElementiManage::insertRow(const DictDatamodelEstratti& oggettoData)
{
    // Everything that can fail is done before the row exists, so a refusal stores nothing.
    std::optional<store::Bytes> png;
    std::optional<store::Bytes> thumbnail;
    if (oggettoData.hasImage()) {
        auto encoded = oggettoData.imagePngData();
        if (!encoded)
            return std::unexpected(encoded.error());
        png = std::move(*encoded);
        std::optional<Image> small = oggettoData.myImageRESIZED;
        if (!small)
            if (auto picture = oggettoData.myImage())
                small = ResizeImage(*picture, kThumbnailSide);
        if (small)
            if (auto encodedSmall = encodePng(*small))
                thumbnail = std::move(*encodedSmall);
    }
    auto object = delegate()->managedObjectContext()->insertNewObject(myStringNameCore);
    DictCoreData row(object);
    if (png)
        row.setMyImagePng(std::move(png));
    if (thumbnail)
        row.setThumbnailCache(std::move(thumbnail));
    if (oggettoData.myArrViewModel)
        row.setMyArrViewModel(archivedDataWithViewModels(*oggettoData.myArrViewModel));
    if (oggettoData.myColoreSfongo)
        row.setMyColoreView(archivedDataWithColor(*oggettoData.myColoreSfongo));
    return row;
}

Result<void> mySingleElementiManage::metodoSalvaNewObjectInCoreData(const std::string&, const std::shared_ptr<DictDatamodelEstratti>& oggettoData)
{
    if (!oggettoData)
        return fail("logo store", "no logo to save");
    auto row = insertRow(*oggettoData);
    if (!row)
        return std::unexpected(row.error());
    delegate()->saveContext();
    myArrLoghiInCore = fetchRows();
    const auto saved = std::find_if(myArrLoghiInCore.begin(), myArrLoghiInCore.end(), [&](const DictCoreData& r) { return r.rowId() == row->rowId(); });
    const size_t index = saved != myArrLoghiInCore.end() ? static_cast<size_t>(saved - myArrLoghiInCore.begin()) : myArrLoghiInCore.size() - 1;
    myIndexUltimoSalvato = index;
    if (oggettoData->hasImage())
        oggettoData->setStoredPicture(*row, describeRow(index, *row));
    if (oggettoData->myImageRESIZED)
        m_thumbnails.emplace(row->rowId(), *oggettoData->myImageRESIZED);
    return {};
}

Result<void> mySingleElementiManage::checkIndex(std::int64_t index) const
{
    const auto count = static_cast<std::int64_t>(std::min(myArrLoghiInCore.size(), myArrLoghiEstratti.size()));
    if (index < 0 || index >= count)
        return fail("logo " + std::to_string(index), count == 0 ? std::string("there are no logos") : "there is no such logo (logos are numbered 0 to " + std::to_string(count - 1) + ")");
    return {};
}

Result<void> mySingleElementiManage::metodoEliminaLogoDalDictWithIndex(std::int64_t index)
{
    if (auto valid = checkIndex(index); !valid)
        return valid;
    delegate()->managedObjectContext()->deleteObject(myArrLoghiInCore[static_cast<size_t>(index)].managedObject());
    myArrLoghiInCore.erase(myArrLoghiInCore.begin() + index);
    myArrLoghiEstratti.erase(myArrLoghiEstratti.begin() + index);
    delegate()->saveContext();
    return {};
}

Result<void> mySingleElementiManage::metodoModificaIndexWithIndexDaModificare(std::int64_t index, const std::shared_ptr<DictDatamodelEstratti>& oggettoDaInserire)
{
    if (auto valid = checkIndex(index); !valid)
        return valid;
    if (!oggettoDaInserire)
        return fail("logo store", "no logo to save");
    // The new row is made first: a picture that cannot be stored must not cost the user the old logo.
    auto row = insertRow(*oggettoDaInserire);
    if (!row)
        return std::unexpected(row.error());
    delegate()->managedObjectContext()->deleteObject(myArrLoghiInCore[static_cast<size_t>(index)].managedObject());
    myArrLoghiEstratti.erase(myArrLoghiEstratti.begin() + index);
    delegate()->saveContext(); // the delete and the insert reach the file together
    myArrLoghiInCore = fetchRows();
    if (oggettoDaInserire->hasImage())
        oggettoDaInserire->setStoredPicture(*row, describeRow(myArrLoghiInCore.size() - 1, *row));
    if (oggettoDaInserire->myImageRESIZED)
        m_thumbnails.emplace(row->rowId(), *oggettoDaInserire->myImageRESIZED);
    return {};
}

Result<void> mySingleElementiManage::metodoAggiungiSingolaImage(const Image& image)
{
    if (image.isEmpty())
        return fail("logo from a picture", "the picture is empty");
    auto logo = std::make_shared<DictDatamodelEstratti>();
    logo->setMyImage(image);
    logo->myImageRESIZED = ResizeImage(image, kThumbnailSide);
    auto saved = metodoSalvaNewObjectInCoreData("", logo);
    if (!saved)
        return saved;
    myArrLoghiEstratti.push_back(std::move(logo));
    if (myArrLoghiEstratti.size() != myArrLoghiInCore.size())
        metodoCaricaDictOfData(); // another program added logos meanwhile: both lists again, index for index
    return {};
}

std::int64_t mySingleElementiManage::metodoTornaKeyMaggiore() const
{
    std::optional<std::int64_t> greatest;
    for (const auto& [key, entry] : myDictLoghiGenerale) {
        std::int64_t value = 0;
        const char* end = key.data() + key.size();
        auto [stop, error] = std::from_chars(key.data(), end, value);
        if (error != std::errc() || stop != end || key.empty())
            continue; // not a decimal integer: sorts after every numeric key
        if (!greatest || value > *greatest)
            greatest = value;
    }
    if (myDictLoghiGenerale.empty())
        return 0;
    return greatest ? *greatest + 1 : 1; // a text that is not a number counts as 0
}

Image mySingleElementiManage::ResizeImage(const Image& image, double larghezzaMassima)
{
    if (image.isEmpty() || larghezzaMassima <= 0)
        return {};
    const Size size = image.size();
    const double ratio = size.width / size.height;
    const Size target = size.height < size.width ? Size { larghezzaMassima, larghezzaMassima / ratio } : Size { larghezzaMassima * ratio, larghezzaMassima };
    DrawingContext context(target, DrawingContext::Opacity::Transparent, 1.0);
    context.drawImage(image, Rect { 0, 0, target.width, target.height });
    return context.takeImage();
}

void mySingleElementiManage::metodoRiempiNomiGeo()
{
    for (const char* base : { "l", "c", "c1", "q", "i", "r", "rc", "t", "tc", "s", "s1", "p", "e" })
        for (const char* suffix : { "", "s", "b", "p" })
            myArrStringNameGEOMETRY.push_back(std::string(base) + suffix);
    log::debug(std::to_string(myArrStringNameGEOMETRY.size()));
}

void mySingleElementiManage::metodoRiempiNomiIcon()
{
    for (int i = 1; i <= 71; ++i)
        myArrStringNameICON.push_back(std::to_string(i));
    std::string line = "(";
    for (const auto& name : myArrStringNameICON)
        line += (line.size() > 1 ? ", " : "") + name;
    log::debug(line + ")");
}

Image logoSquareFromPicture(const Image& picture)
{
    const Image scaled = mySingleElementiManage::ResizeImage(picture, kPictureLogoSide);
    if (scaled.isEmpty())
        return {};
    DrawingContext context({ kPictureLogoSide, kPictureLogoSide }, DrawingContext::Opacity::Transparent, 1.0);
    const Size size = scaled.size();
    // Aspect fit: the whole picture, as large as fits, centred.
    const double factor = std::min(kPictureLogoSide / size.width, kPictureLogoSide / size.height);
    const Size fitted { size.width * factor, size.height * factor };
    context.drawImage(scaled, Rect { (kPictureLogoSide - fitted.width) / 2, (kPictureLogoSide - fitted.height) / 2, fitted.width, fitted.height });
    return context.takeImage();
}

Result<Image> logoSquareFromFile(const std::filesystem::path& path)
{
    DecodeOptions options;
    options.maxPixels = kMaxLogoPixels;
    auto picture = decodeImageFile(path, options);
    if (!picture)
        return std::unexpected(picture.error());
    auto metadata = ImageMetadata::readFromFile(path);
    Image square = logoSquareFromPicture(uprightImage(*picture, metadata ? metadata->orientation() : 1));
    if (square.isEmpty())
        return fail(path.string() + ": the picture has no pixels to make a logo of");
    return square;
}

}
