#include <library/CellLoghiGalleria.h>

#include <services/mySingleScritte.h>
#include <services/DictDatamodelEstratti.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>

namespace vd {

namespace {
const Color kBorder = Color::whiteColor().withAlpha(0.39);
constexpr double kInset = 12;
}

CellLoghiGalleria::CellLoghiGalleria()
{
    myImageViewLogo = View::make<ImageView>();
    myImageViewLogo->setName("myImageViewLogo");
    myImageViewLogo->setContentMode(ContentMode::ScaleAspectFit);
    myLabelCreaOAggiungi = View::make<Label>();
    myLabelCreaOAggiungi->setName("myLabelCreaOAggiungi");
    myLabelCreaOAggiungi->setFont("GillSans", 15);
    myLabelCreaOAggiungi->setTextColor(Color::whiteColor());
    myLabelCreaOAggiungi->setTextAlignment(TextAlignment::Center);
    myLabelCreaOAggiungi->setNumberOfLines(0);
    myLabelCreaOAggiungi->setText(mySingleScritte::sharedInstance().stringaCreaAggiungiTuoLogoCell());
    myButtonAggiungi = View::make<Button>(Button::Type::Custom);
    myButtonAggiungi->setName("myButtonAggiungi");
    myButtonAggiungi->setImage(imageNamed("buttonAdd").withRenderingMode(Image::RenderingMode::Template));
    myButtonAggiungi->setTintColor(Color::whiteColor());
    myButtonAggiungi->addAction(ControlEvent::TouchUpInside, [this](Control&) {
        if (m_aggiungi)
            m_aggiungi();
    });
    for (const auto& part : std::initializer_list<std::shared_ptr<View>> { myImageViewLogo, myLabelCreaOAggiungi, myButtonAggiungi })
        contentView()->addSubview(part);
    layer().setBorderWidth(1);
    layer().setBorderColor(kBorder);
    metodoMostraAggiungi();
}

void CellLoghiGalleria::metodoMostraLogo(const DictDatamodelEstratti& logo)
{
    // A picture that did not decode leaves the thumbnail absent: the cell stays, empty.
    myImageViewLogo->setImage(logo.myImageRESIZED.value_or(Image()));
    myImageViewLogo->setAlpha(1);
    myLabelCreaOAggiungi->setAlpha(0);
    myButtonAggiungi->setAlpha(0);
    myButtonAggiungi->setUserInteractionEnabled(false);
    setBackgroundColor(logo.myColoreSfongo.value_or(Color::clear()));
}

void CellLoghiGalleria::metodoMostraAggiungi()
{
    myImageViewLogo->setImage(Image());
    myImageViewLogo->setAlpha(0);
    myLabelCreaOAggiungi->setAlpha(1);
    myButtonAggiungi->setAlpha(1);
    myButtonAggiungi->setUserInteractionEnabled(true);
    setBackgroundColor(Color::clear());
}

void CellLoghiGalleria::prepareForReuse()
{
    CollectionViewCell::prepareForReuse();
    myImageViewLogo->setAnimationImages({});
    myImageViewLogo->setImage(Image());
}

void CellLoghiGalleria::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    const Rect area { 0, 0, bounds().width(), bounds().height() };
    myImageViewLogo->setFrame(area.insetBy(kInset, kInset));
    // The add button above the invitation, both centred.
    const double side = std::min(56.0, area.width() * 0.3);
    const double textHeight = myLabelCreaOAggiungi->sizeThatFits({ area.width() - 2 * kInset, 0 }).height;
    const double top = (area.height() - side - 8 - textHeight) / 2;
    myButtonAggiungi->setFrame({ area.midX() - side / 2, top, side, side });
    myLabelCreaOAggiungi->setFrame({ kInset, top + side + 8, area.width() - 2 * kInset, textHeight });
}

}
