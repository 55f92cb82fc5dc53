#pragma once

#include <string>

namespace vd {

// Every user-visible sentence, by a fixed key of the strings table (resources/strings/<lang>.json).
// A key the table lacks shows as the key itself.
class mySingleScritte {
public:
    static mySingleScritte& sharedInstance();

    std::string stringaRullino() const; // "rullino"
    std::string stringaSeleziona() const; // "seleziona"
    std::string stringaSelezionate() const; // "selezionate"
    std::string stringaAnnulla() const; // "annulla"
    std::string stringaOrdinaLayer() const; // "ordina"
    std::string stringaNotaLogoConSfondoTrasparente() const; // "salvatotrasparente"
    std::string stringaVuoiUscireSenzaSalvareLogo() const; // "usciresenzasalvare"
    std::string stringaTrasparenza() const; // "trasparenza"
    std::string stringaTuoTesto() const; // "scrivitesto"
    std::string stringaCreaGestisciLoghi() const; // "creagestisci"
    std::string stringaFirmaLeTueFoto() const; // "firmafoto"
    std::string stringaSalvaNelRullino() const; // "salvarullino"
    std::string stringaTornaHome() const; // "tornahome"
    std::string stringaModifica() const; // "MODIFICA"
    std::string stringaSalva() const; // "SALVA"
    std::string stringaSalvaLogoVuoto() const; // "cominciacreare"
    std::string stringaTornareIndetroSenzaSalvare() const; // "senzasalvare"
    std::string stringaLeModificheVerranoPerse() const; // "modificheperse"
    std::string stringaCREA() const; // "CREA"
    std::string stringaCARICA() const; // "CARICA"
    std::string stringaVuoiElimiareLogo() const; // "eliminalogo"
    std::string stringaFotoSingolare() const; // "FOTO"
    std::string stringaFotoPlurale() const; // "FOTOplu"
    std::string stringaLOGO() const; // "LOGO"
    std::string stringaAVANTI() const; // "AVANTI"
    std::string stringaPLLICA() const; // "APPLICA"
    std::string stringaNonChiudereLApp() const; // "nonchiudereconclu"
    std::string stringaPocaMemoria() const; // "pocospazio"
    std::string stringaPocaMemoriaMessage() const; // "pocospaziomessage"
    std::string stringaSelezionaFotoELogo() const; // "selezionaentrambi"
    std::string stringaSelezionaMedia() const; // "Seleziona elementi"
    std::string stringaLoghiApplicati() const; // "logoapplicatofotorullino"
    std::string stringaSalvato() const; // "SALVATO"
    std::string stringaPrimoAvvioUno() const; // "welcome"
    std::string stringaPrimoAvvioDue() const; // "welcome2"
    std::string stringaDeviAutorizzareFoto() const; // "autofoto"
    // The photo-access consent dialog, the program's own stand-in for the system's ("OK" is fixed).
    std::string stringaConsensoFoto() const; // "consensofoto"
    std::string stringaConsensoFotoMessaggio() const; // "consensofotomessaggio"
    std::string stringaNonConsentire() const; // "nonconsentire"
    // The alert of a photo library that cannot be read.
    std::string stringaErrore() const; // "errore"
    std::string stringaAbilitaFoto() const; // "abilitafoto"
    std::string stringaFotoIllegibili() const; // "fotoillegibili": photos that do not decode, before their names
    std::string stringaCreaAggiungiTuoLogoCell() const; // "creaoaggiungi"
    std::string stringaAggiungiLogoTemplate() const; // "Aggiungi Template"
    std::string stringaAggiungiFormaGeometrica() const; // "Aggiungi Forma Geometrica"
    std::string stringaAggiungiTesto() const; // "Aggiungi Testo"
    std::string stringaToccaElementoPerModificare() const; // "toccapermodificare"
    std::string stringaRuotaScala() const; // "Ruota/Scala"
    std::string stringaAltera() const; // "Altera"
    std::string stringaEliminaTuto() const; // "Elimina"
    std::string stringaLoghiSalvatiTrasparenti() const; // "messagiosalvatipng"
    std::string stringaOrdinaLivelliTutorial() const; // "modificaordine"
    std::string stringaTutoDimensioniPreset() const; // "presettuto"
    std::string stringaTutoApplicaAllaFine() const; // "toccappllicafine"
    std::string stringaTutoPosizionaIlTuoLogoDoveDesideri() const; // "spostalogo"
    std::string stringaLogoSalvatoInGalleria() const; // "aggiuntogalleria"
    std::string stringaCreaLogo() const; // "crealogo"
    std::string stringaLogoGallery() const; // "logogallery"
    std::string stringaAggiornamento() const; // "aggiornamento"
    std::string stringaFotoSalvateDi() const; // "fotosalvatedi"
    std::string stringaSalvaPosizione() const; // "SALVAPOSIZIONE"
    std::string stringaSenzaPerdita() const; // "senzaperdita"
    std::string stringaAvvisiFoto() const; // "avvisifoto"
    std::string stringaPosizioneSalvata() const; // "posizionesalvata"
    std::string stringaPosizioneNonSalvata() const; // "posizionenonsalvata"
    std::string stringaFotoGiaApplicate() const; // "fotogiaapplicate": photos skipped, already stamped the same way
    std::string stringaNienteDaApplicare() const;    // "nientedaapplicare": none written, {skipped} photos already stamped the same way
    std::string stringaNienteDaApplicareUna() const; // "nientedaapplicareuna": the same for a single photo
    std::string stringaPosizioneNonValida() const;   // "posizionenonvalida": the apply screen refuses a placement, {reason}
    std::string stringaRevisione() const; // "revisione": the apply screen's button that opens the review grid
    std::string stringaRevisioneFoto() const; // "revisionefoto": the review grid's title
    std::string stringaAdattaAOgniFoto() const; // "adattaaognifoto": the review grid's switch for the halo
    std::string stringaRegolazioneFoto() const; // "regolazionefoto": placing the logo on one photo, {n}
    std::string stringaUsaPosizioneComune() const; // "usaposizionecomune": drops a photo's own placement
    std::string stringaFineRegolazione() const; // "fineregolazione": ends placing the logo on one photo
};

}
