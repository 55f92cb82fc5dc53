#include <editor/LogoMakerController.h>

#include <services/mySingleElementiManage.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/ui/window/Window.h>

namespace vd {

namespace {
constexpr double kAttesaFineGesto = 0.1; // seconds between looks while a finger is down or a text is typed
constexpr double kPassoFreccia = 1, kPassoFrecciaShift = 10; // points
// Arrow presses closer together than this are one step of the history: a held arrow repeats
// every few hundredths of a second after waiting some two thirds of a second for the first repeat.
constexpr double kPausaFrecce = 1.0; // seconds

long long stileInUso(const std::string& key)
{
    // No style kept means the dark one, as the editor shows it.
    const auto stile = UserDefaults::standard().integerForKey(key);
    return stile ? *stile : 3;
}
}

// ---------------------------------------------------------------------------------------------
// The history

LogoMakerController::StatoCanvas LogoMakerController::metodoStatoCanvas() const
{
    StatoCanvas stato;
    if (!myViewTemporanea)
        return stato;
    stato.livelli = mySingleElementiManage::metodoRecordDaCanvas(*myViewTemporanea);
    // The same layers the records describe, in the same order.
    for (const auto& sticker : stickers())
        if (sticker->nomeImmagine && !sticker->nomeImmagine->empty())
            stato.trasformazioni.push_back(sticker->transform());
    stato.stile = stileInUso(keyColoreEditor);
    return stato;
}

void LogoMakerController::metodoRegistraModifica()
{
    if (!myViewTemporanea)
        return;
    StatoCanvas stato = metodoStatoCanvas();
    if (!myArrStoria.empty() && myArrStoria[myIndexStoria] == stato)
        return;
    // A change made after an undo starts a new branch: what could have been redone is gone.
    if (!myArrStoria.empty())
        myArrStoria.resize(myIndexStoria + 1);
    myArrStoria.push_back(std::move(stato));
    myIndexStoria = myArrStoria.size() - 1;
}

void LogoMakerController::metodoRegistraAFineGesto()
{
    // Looked at on the next turn of the run loop, once the event that ended a gesture has been
    // handled (the lifting finger still counts as down while its recognizers hear of it).
    if (m_registrazioneInAttesa)
        return;
    m_registrazioneInAttesa = true;
    std::weak_ptr<ViewController> weak = shared_from_this();
    RunLoop::main().post([this, weak] {
        if (weak.lock())
            metodoAttendiFineGesto();
    });
}

void LogoMakerController::metodoAttendiFineGesto()
{
    m_registrazioneInAttesa = false;
    const Window* w = view() ? view()->window() : nullptr;
    const auto primo = w ? w->firstResponder() : nullptr;
    if (w && (w->activeTouchCount() > 0 || (primo && primo->isTextInput()))) {
        m_registrazioneInAttesa = true;
        std::weak_ptr<ViewController> weak = shared_from_this();
        RunLoop::main().postAfter(kAttesaFineGesto, [this, weak] {
            if (weak.lock())
                metodoAttendiFineGesto();
        });
        return;
    }
    metodoRegistraModifica();
}

void LogoMakerController::metodoRipristinaStato(const StatoCanvas& stato)
{
    auto protector = shared_from_this();
    // The layers are made anew from their records, as a reopened logo is: none is selected.
    if (auto selected = selectedSticker(); selected && selected->myTextField)
        selected->myTextField->resignFirstResponder();
    selectedLdsSticker = selectedldsStickerTEMPO;
    for (const auto& sticker : stickers())
        sticker->removeFromSuperview();
    for (size_t i = 0; i < stato.livelli.size(); ++i) {
        const ViewModel& record = stato.livelli[i];
        const bool shown = record.type == "text" ? metodoAggiungiViewText(record) : metodoAggiungiViewImage(record);
        if (shown && i < stato.trasformazioni.size())
            myViewTemporanea->subviews().back()->setTransform(stato.trasformazioni[i]);
    }
    myViewTemporanea->renumberLayers();
    if (stato.stile != stileInUso(keyColoreEditor) && metodoApplicaStile(stato.stile, false)) {
        UserDefaults::standard().setInteger(keyColoreEditor, stato.stile);
        UserDefaults::standard().synchronize();
    }
    stickerViewNascondiGuide();
    // As after a deselection: the tool bar back on its first tab.
    metodoSeleizionaPrimoIndexSelettore();
    myTableViewLayer->reloadData();
    // The record is the canvas as rebuilt, so that it compares equal with what is read later.
    myArrStoria[myIndexStoria] = metodoStatoCanvas();
}

bool LogoMakerController::metodoAnnulla()
{
    metodoRegistraModifica(); // a change still waiting to be recorded is the one undone
    if (myIndexStoria == 0)
        return false;
    --myIndexStoria;
    metodoRipristinaStato(myArrStoria[myIndexStoria]);
    return true;
}

bool LogoMakerController::metodoRipeti()
{
    metodoRegistraModifica(); // a new change ends what could be redone
    if (myArrStoria.empty() || myIndexStoria + 1 >= myArrStoria.size())
        return false;
    ++myIndexStoria;
    metodoRipristinaStato(myArrStoria[myIndexStoria]);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Keys

bool LogoMakerController::metodoEliminaLivelloSelezionato()
{
    auto sticker = selectedSticker();
    if (!sticker)
        return false;
    sticker->close();
    return true;
}

bool LogoMakerController::metodoSpostaLivelloSelezionato(Point delta)
{
    auto sticker = selectedSticker();
    if (!sticker)
        return false;
    sticker->setCenter(sticker->center() + delta);
    // As after a drag: no guide stays on the canvas.
    stickerViewNascondiGuide();
    sticker->myBoolLineeGuidaNascoste = true;
    // A run of presses on one layer, with nothing else recorded or waiting in between, extends
    // the step its first press made, as a drag is one step however long it lasts.
    const double adesso = RunLoop::main().now();
    const bool stessaSerie = m_ultimaFreccia && m_ultimaFreccia->sticker.lock() == sticker && !m_registrazioneInAttesa
        && m_ultimaFreccia->passo == myIndexStoria && myIndexStoria + 1 == myArrStoria.size() && adesso - m_ultimaFreccia->quando < kPausaFrecce;
    if (stessaSerie)
        myArrStoria[myIndexStoria] = metodoStatoCanvas();
    else
        metodoRegistraModifica();
    m_ultimaFreccia = UltimaFreccia { sticker, myIndexStoria, adesso };
    return true;
}

bool LogoMakerController::performKeyCommand(const KeyPress& press)
{
    const bool ctrl = press.has(KeyModifierControl), shift = press.has(KeyModifierShift);
    if (press.key == Key::Character && ctrl && !press.has(KeyModifierAlt)) {
        // Taken even with nothing to undo or redo: the key is the editor's.
        if (press.character == 'z') {
            (void)(shift ? metodoRipeti() : metodoAnnulla());
            return true;
        }
        if (press.character == 'y' && !shift) {
            (void)metodoRipeti();
            return true;
        }
        return false;
    }
    if (ctrl || press.has(KeyModifierAlt))
        return false;
    // The layer keys act on what a person could touch: not under the tutorial, the settings or
    // the layer table.
    auto* w = view() ? view()->window() : nullptr;
    if (!w || !myViewTemporanea || !w->isReachable(*myViewTemporanea))
        return false;
    const double step = shift ? kPassoFrecciaShift : kPassoFreccia;
    switch (press.key) {
    case Key::Delete:
    case Key::Backspace:
        return !shift && metodoEliminaLivelloSelezionato();
    case Key::Left: return metodoSpostaLivelloSelezionato({ -step, 0 });
    case Key::Right: return metodoSpostaLivelloSelezionato({ step, 0 });
    case Key::Up: return metodoSpostaLivelloSelezionato({ 0, -step });
    case Key::Down: return metodoSpostaLivelloSelezionato({ 0, step });
    default: return false;
    }
}

}
