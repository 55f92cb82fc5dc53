#include <editor/LogoMakerController.h>

#include <library/singleFontList.h>
#include <platform/foundation/Log.h>
#include <platform/ui/controls/TextView.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>

namespace vd {

bool LogoMakerController::fontCanBeLoaded(const std::string& name)
{
    // The default font has a stand-in on every machine; any other must be installed.
    return !name.empty() && (name == myStringFontDefalut || isFontInstalled(name));
}

std::shared_ptr<LDStickerView> LogoMakerController::metodoAggiungitesto()
{
    auto sticker = LDStickerView::initWithFrame({ kStickerOrigin, kStickerOrigin, kNewTextWidth, kNewTextHeight });
    sticker->nomeImmagine = "testo";
    sticker->setTextView(true);
    myViewTemporanea->addSubview(sticker);
    sticker->showEditingHandles();
    sticker->setEnableRotate(true);
    sticker->setEnableResize(true);
    sticker->contentView()->setTag(50);
    wireSticker(sticker, true);
    metodoImpostaViewSelezionata(sticker);
    metodoRegistraModifica(); // the new text is one change, what is typed into it another
    if (sticker->myTextField)
        metodoBecomeFirtRsponder(sticker->myTextField);
    metodoEntraTextSetting();
    return sticker;
}

void LogoMakerController::metodoAccendiPickerFont()
{
    myArrayPickerFontData = singleFontList::sharedInstance().printFonts();
    // A new text is set in the default font: the list offers it, so the picker can show it and
    // a text can be given it back.
    if (std::find(myArrayPickerFontData.begin(), myArrayPickerFontData.end(), myStringFontDefalut) == myArrayPickerFontData.end())
        myArrayPickerFontData.insert(std::lower_bound(myArrayPickerFontData.begin(), myArrayPickerFontData.end(), myStringFontDefalut), myStringFontDefalut);
    myPickerViewFont->reloadAllComponents();
    myPickerViewFontSize->reloadAllComponents();
    const int size = std::atoi(myStringFontSize.c_str());
    auto it = std::find(myArrayFontSize.begin(), myArrayFontSize.end(), size);
    if (it != myArrayFontSize.end())
        myPickerViewFontSize->selectRow(it - myArrayFontSize.begin(), 0, Animated::No);
    mySegmentedControlAllineamnto->removeAllSegments();
    // Drawn marks rather than words: the three alignments read the same in every language.
    const char* marks[] { "\u2261\u2190", "\u2194", "\u2192\u2261" };
    for (size_t i = 0; i < 3; ++i)
        mySegmentedControlAllineamnto->insertSegment(marks[i], i);
    mySegmentedControlAllineamnto->setSelectedSegmentIndex(0);
}

void LogoMakerController::metodoSincronizzaPicker(const TextView& textView)
{
    auto font = std::find(myArrayPickerFontData.begin(), myArrayPickerFontData.end(), textView.fontName());
    if (font != myArrayPickerFontData.end())
        myPickerViewFont->selectRow(font - myArrayPickerFontData.begin(), 0, Animated::Yes);
    const int size = static_cast<int>(textView.fontSize());
    auto row = std::find(myArrayFontSize.begin(), myArrayFontSize.end(), size);
    if (row != myArrayFontSize.end())
        myPickerViewFontSize->selectRow(row - myArrayFontSize.begin(), 0, Animated::Yes);
    const auto alignment = textView.textAlignment();
    for (int i = 0; i < 3; ++i)
        if (myArrayAllineamento[i] == alignment)
            mySegmentedControlAllineamnto->setSelectedSegmentIndex(i);
}

void LogoMakerController::pickerViewDidSelectRow(PickerView& picker, long row)
{
    auto sticker = selectedSticker();
    if (!sticker || !sticker->myTextField || row < 0)
        return;
    auto& text = *sticker->myTextField;
    const auto index = static_cast<size_t>(row);
    if (&picker == myPickerViewFont.get()) {
        if (index >= myArrayPickerFontData.size() || !fontCanBeLoaded(myArrayPickerFontData[index]))
            return; // the text keeps its font
        text.setFont(myArrayPickerFontData[index], text.fontSize());
    } else {
        if (index >= myArrayFontSize.size())
            return;
        text.setFont(text.fontName(), myArrayFontSize[index]);
    }
    metodoResizeTextView();
    metodoRegistraModifica();
}

void LogoMakerController::metodoResizeTextView()
{
    if (auto sticker = selectedSticker())
        fitTextSticker(*sticker);
}

void LogoMakerController::fitTextSticker(LDStickerView& sticker)
{
    if (!sticker.myTextField)
        return;
    auto& text = *sticker.myTextField;
    const double angle = sticker.transform().angle();
    const Point centre = sticker.center();
    sticker.setTransform(AffineTransform::identity());
    const Size fitted = text.sizeThatFits({ text.bounds().width(), 0 });
    const double width = std::max(fitted.width, text.bounds().width());
    if (auto content = sticker.contentView()) {
        Rect frame = sticker.frame();
        frame.size.height = fitted.height + 30;
        sticker.setFrame(frame);
        // The content keeps the sticker's margin below as above: its edge runs through the handles.
        Rect contentFrame = content->frame();
        contentFrame.size.height = std::max(0.0, frame.height() - 2 * sticker.globalInset().value_or(0));
        content->setFrame(contentFrame);
    }
    Rect textFrame = text.frame();
    text.setFrame({ textFrame.origin, { width, fitted.height } });
    sticker.setTransform(AffineTransform::rotation(angle));
    sticker.setCenter(centre);
}

void LogoMakerController::mySegmenteControlAllineamentoACTION()
{
    const int segment = mySegmentedControlAllineamnto->selectedSegmentIndex();
    auto sticker = selectedSticker();
    if (!sticker || !sticker->myTextField || segment < 0 || segment > 2)
        return;
    sticker->myTextField->setTextAlignment(myArrayAllineamento[segment]);
    metodoRegistraModifica();
}

void LogoMakerController::metodoBecomeFirtRsponder(const std::shared_ptr<TextView>& textView)
{
    if (!textView)
        return;
    textView->becomeFirstResponder();
    metodoSincronizzaPicker(*textView);
    metodoRegistraAFineGesto(); // what is typed is recorded when the typing ends
}

void LogoMakerController::myButtonTextColorACTION() { metodoEntraColorPicker(true); }

void LogoMakerController::myButtonDoneColorACTION()
{
    metodoEsceColorPicker();
    metodoIndexCustomTab(2);
}

void LogoMakerController::metodoEntraTextSetting()
{
    metodoIndexCustomTab(2);
    metodoEsceColorPicker();
    metodoEsceCollectionForme();
    slidePanel(myViewFontTextBG, true, 0.3);
}

void LogoMakerController::metodoEsceTextSetting() { slidePanel(myViewFontTextBG, false, 0.3); }

}
