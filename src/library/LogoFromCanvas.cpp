#include <services/mySingleElementiManage.h>

#include <elements/LDStickerView.h>
#include <platform/foundation/Log.h>
#include <platform/graphics/DrawingContext.h>

#include <cmath>

namespace vd {

namespace {
constexpr double kLogoWidth = 1400; // points; the picture is drawn at scale 2
constexpr double kLogoScale = 2;
constexpr double kThumbnailSide = 200;
}

std::vector<ViewModel> mySingleElementiManage::metodoRecordDaCanvas(const View& canvas)
{
    std::vector<ViewModel> records;
    for (const auto& child : canvas.subviews()) {
        auto* sticker = dynamic_cast<const LDStickerView*>(child.get());
        if (!sticker)
            continue; // only stickers are layers
        if (!sticker->nomeImmagine || sticker->nomeImmagine->empty()) {
            log::warning("a layer without an image name cannot be described; it is left out of the logo");
            continue;
        }
        ViewModel record("", 1.0, "", Color::clear(), 0, 0, 0, 0, 0, "", "", 0, Color::clear(), 0);
        record.nomeImg = *sticker->nomeImmagine;
        record.alpha = sticker->contentView() ? sticker->contentView()->alpha() : 1.0;
        record.type = sticker->myTextField ? "text" : "image";
        record.tintColor = sticker->tintColor();
        record.largezza = sticker->bounds().width();
        record.altezza = sticker->bounds().height();
        record.centrox = sticker->center().x;
        record.centroy = sticker->center().y;
        record.rotazione = std::atan2(sticker->transform().b, sticker->transform().a);
        if (const auto& text = sticker->myTextField) {
            record.testo = text->text();
            record.fontName = text->fontName();
            record.fontSize = text->fontSize();
            record.textColor = text->textColor();
            record.textAllin = static_cast<std::int64_t>(text->textAlignment());
        }
        log::debug("larghezza " + std::to_string(record.largezza));
        records.push_back(std::move(record));
    }
    return records;
}

Image mySingleElementiManage::metodoImmagineDaCanvas(View& canvas)
{
    const Size size = canvas.bounds().size;
    if (size.width <= 0 || size.height <= 0)
        return {};
    const double aspect = size.width / size.height;
    const Size picture { kLogoWidth, kLogoWidth / aspect };
    DrawingContext context(picture, DrawingContext::Opacity::Transparent, kLogoScale);
    if (!context.isValid())
        return {};
    canvas.drawViewHierarchyInRect(context.painter(), { 0, 0, picture.width, picture.height });
    log::debug("scale " + std::to_string(kLogoScale));
    return context.takeImage();
}

Result<Image> mySingleElementiManage::metodoSalvaLogoDaView(View& canvas, std::optional<std::int64_t> index)
{
    auto logo = std::make_shared<DictDatamodelEstratti>();
    const auto canvasColour = canvas.backgroundColor();
    logo->myColoreSfongo = canvasColour;
    const bool wasOpaque = canvas.isOpaque();
    canvas.setBackgroundColor(std::nullopt); // the picture holds the layers only
    canvas.setOpaque(false);
    auto restore = [&] {
        canvas.setBackgroundColor(canvasColour);
        canvas.setOpaque(wasOpaque);
    };

    logo->myArrViewModel = metodoRecordDaCanvas(canvas);
    const Image picture = metodoImmagineDaCanvas(canvas);
    if (picture.isEmpty()) {
        restore();
        return fail("logo picture", "the canvas has no size to draw");
    }
    logo->setMyImage(picture);
    logo->myImageRESIZED = ResizeImage(picture, kThumbnailSide);
    log::debug("Stampo dict Generale appen salvagto \n" + std::to_string(myDictLoghiGenerale.size()));

    // The new logo joins the in-memory list only once the store has it, so the two lists stay
    // index for index even when the store refuses.
    Result<void> stored = index ? metodoModificaIndexWithIndexDaModificare(*index, logo) : metodoSalvaNewObjectInCoreData("", logo);
    if (!stored) {
        restore();
        return std::unexpected(stored.error());
    }
    myArrLoghiEstratti.push_back(logo);
    if (myArrLoghiEstratti.size() != myArrLoghiInCore.size())
        metodoCaricaDictOfData(); // another program added logos meanwhile: both lists again, index for index
    log::debug("MB DELLA VIEW SALVATA\n8");
    return picture;
}

}
