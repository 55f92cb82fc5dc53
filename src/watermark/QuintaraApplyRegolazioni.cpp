// The apply screen's review grid and per-photo placements: opening the grid, placing the logo
// on one photo alone with the screen's own sticker and measuring, and the placements the batch
// and "Save placement" take from it.

#include <watermark/QuintaraApplyController.h>

#include <elements/LDStickerView.h>
#include <platform/foundation/ContentHash.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Strings.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <services/mySingleScritte.h>
#include <watermark/QuintaraReviewController.h>

namespace vd {

namespace {

const char* const kChiaveAdatta = "keyAdattaAOgniFoto";

}

// Everything the common placement is on screen: while one photo is adjusted the sticker and the
// measurements are that photo's, and this brings the common ones back exactly as they were.
struct QuintaraApplyController::Istantanea {
    std::vector<double> allineamento, percentuali, margini;
    double grandezza { 0 };
    double alpha { 1 };
    Point centroSticker;
    Rect boundsSticker;
    AffineTransform trasformazione;
    Rect area;
    Rect anteprima;
    Image immagine;
    long fotoMostrata { -1 };
    PlacementDescription descrizione;
};

bool QuintaraApplyController::metodoAdatta() const
{
    return UserDefaults::standard().boolForKey(kChiaveAdatta).value_or(false);
}

void QuintaraApplyController::metodoImpostaAdatta(bool adatta)
{
    UserDefaults::standard().setBool(kChiaveAdatta, adatta);
    UserDefaults::standard().synchronize();
}

PlacementDescription QuintaraApplyController::metodoPosizionamentoComune() const
{
    return m_istantanea ? m_istantanea->descrizione : metodoDescrizionePosizionamento();
}

BatchPlacements QuintaraApplyController::metodoPosizionamentiBatch() const
{
    BatchPlacements placements;
    placements.common = metodoPosizionamentoComune();
    placements.adapt = metodoAdatta();
    for (const auto& [item, placement] : myMappaRegolazioni) {
        auto asset = metodoAssetAllIndice(item);
        if (!asset)
            continue;
        // Known by name and content, as the command line finds it among the photos it is given.
        auto hash = ContentHash::ofFile(asset->path);
        if (!hash) {
            log::warning("the placement of " + asset->path.string() + " is left out: " + hash.error().message);
            continue;
        }
        placements.adjustments.push_back({ asset->path.filename().string(), *hash, placement });
    }
    return placements;
}

void QuintaraApplyController::myButtonRevisioneACTION()
{
    if (myBoolBatchInCorso || m_batchFinished || myIndiceRegolazione)
        return;
    metodoApriRevisione();
}

void QuintaraApplyController::metodoApriRevisione()
{
    auto made = ScreenRegistry::shared().instantiate("quintarareview");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    auto review = std::dynamic_pointer_cast<QuintaraReviewController>(*made);
    if (!review) {
        log::warning("the screen \"quintarareview\" is not the review grid");
        return;
    }
    review->myApplyController = std::static_pointer_cast<QuintaraApplyController>(shared_from_this());
    if (auto navigation = navigationController())
        navigation->pushViewController(review, true);
}

void QuintaraApplyController::metodoRegolaFoto(long item)
{
    if (myBoolBatchInCorso || !metodoAssetAllIndice(item))
        return;
    if (!m_istantanea)
        m_istantanea = metodoScattaIstantanea();
    myIndiceRegolazione = item;
    myLabelRegolazione->setText(replaced(mySingleScritte::sharedInstance().stringaRegolazioneFoto(), "{n}", std::to_string(item + 1)));
    myButtonUsaComune->setTitle(mySingleScritte::sharedInstance().stringaUsaPosizioneComune());
    myButtonFineRegolazione->setTitle(mySingleScritte::sharedInstance().stringaFineRegolazione());
    myViewRegolazione->setHidden(false);
    myCollectionView->selectItemAtIndexPath(IndexPath { 0, item }, Animated::No, ScrollPosition::None);
    // A photo adjusted before shows its logo as it was left; any other starts from the common
    // placement laid on it, as the grid showed it.
    if (auto own = m_istantaneeRegolazioni.find(item); own != m_istantaneeRegolazioni.end() && myMappaRegolazioni.contains(item)) {
        metodoApplicaIstantanea(*own->second);
        metodoAggiornaStepper();
    } else {
        metodoMostraFoto(item);
    }
}

std::shared_ptr<QuintaraApplyController::Istantanea> QuintaraApplyController::metodoScattaIstantanea() const
{
    auto istantanea = std::make_shared<Istantanea>();
    istantanea->allineamento = myArrAllineamentoGenerale;
    istantanea->percentuali = myArrPercentualiAllineamento;
    istantanea->margini = myArrayConMisureMargini;
    istantanea->grandezza = myPercentualeGrandezza;
    istantanea->alpha = alphaSticker;
    istantanea->centroSticker = stickerView->center();
    istantanea->boundsSticker = stickerView->bounds();
    istantanea->trasformazione = stickerView->transform();
    istantanea->area = myViewBgPosizionatoreLogoo->frame();
    istantanea->anteprima = myImageViewPreviewPhotos->frame();
    istantanea->immagine = myImageViewPreviewPhotos->image();
    istantanea->fotoMostrata = myIndiceFotoMostrata;
    istantanea->descrizione = metodoDescrizionePosizionamento();
    return istantanea;
}

void QuintaraApplyController::metodoApplicaIstantanea(const Istantanea& i)
{
    myArrAllineamentoGenerale = i.allineamento;
    myArrPercentualiAllineamento = i.percentuali;
    myArrayConMisureMargini = i.margini;
    myPercentualeGrandezza = i.grandezza;
    alphaSticker = i.alpha;
    mySliderAlphaProp->setValue(alphaSticker);
    stickerView->setAlpha(alphaSticker);
    myViewBgPosizionatoreLogoo->setFrame(i.area);
    myImageViewPreviewPhotos->setFrame(i.anteprima);
    myImageViewPreviewPhotos->setImage(i.immagine);
    stickerView->setTransform(i.trasformazione);
    stickerView->setBounds(i.boundsSticker);
    stickerView->setCenter(i.centroSticker);
    myViewAllineamntoUp->setAlpha(myArrAllineamentoGenerale[2]);
    myViewAllineamentoSx->setAlpha(myArrAllineamentoGenerale[0]);
    myViewAllineamentoDx->setAlpha(myArrAllineamentoGenerale[1]);
    myViewAllineamntoDw->setAlpha(myArrAllineamentoGenerale[3]);
    myIndiceFotoMostrata = i.fotoMostrata;
}

void QuintaraApplyController::metodoRipristinaComune()
{
    myViewRegolazione->setHidden(true);
    myIndiceRegolazione.reset();
    if (!m_istantanea)
        return;
    metodoApplicaIstantanea(*m_istantanea);
    if (m_istantanea->fotoMostrata >= 0)
        myCollectionView->selectItemAtIndexPath(IndexPath { 0, m_istantanea->fotoMostrata }, Animated::No, ScrollPosition::None);
    m_istantanea.reset();
    metodoAggiornaStepper();
}

void QuintaraApplyController::myButtonFineRegolazioneACTION()
{
    if (!myIndiceRegolazione)
        return;
    // Measured as the screen measures every placement, on the photo it was made on.
    metodoAllinementoDaPan();
    myMappaRegolazioni[*myIndiceRegolazione] = metodoDescrizionePosizionamento();
    m_istantaneeRegolazioni[*myIndiceRegolazione] = metodoScattaIstantanea();
    metodoRipristinaComune();
    metodoApriRevisione();
}

void QuintaraApplyController::myButtonUsaComuneACTION()
{
    if (!myIndiceRegolazione)
        return;
    myMappaRegolazioni.erase(*myIndiceRegolazione);
    m_istantaneeRegolazioni.erase(*myIndiceRegolazione);
    metodoRipristinaComune();
    metodoApriRevisione();
}

}
