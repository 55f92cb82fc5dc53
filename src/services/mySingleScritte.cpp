#include <services/mySingleScritte.h>
#include <platform/foundation/Strings.h>

namespace vd {

mySingleScritte& mySingleScritte::sharedInstance()
{
    static mySingleScritte catalogue;
    return catalogue;
}

std::string mySingleScritte::stringaRullino() const { return localizedString("rullino"); }
std::string mySingleScritte::stringaSeleziona() const { return localizedString("seleziona"); }
std::string mySingleScritte::stringaSelezionate() const { return localizedString("selezionate"); }
std::string mySingleScritte::stringaAnnulla() const { return localizedString("annulla"); }
std::string mySingleScritte::stringaOrdinaLayer() const { return localizedString("ordina"); }
std::string mySingleScritte::stringaNotaLogoConSfondoTrasparente() const { return localizedString("salvatotrasparente"); }
std::string mySingleScritte::stringaVuoiUscireSenzaSalvareLogo() const { return localizedString("usciresenzasalvare"); }
std::string mySingleScritte::stringaTrasparenza() const { return localizedString("trasparenza"); }
std::string mySingleScritte::stringaTuoTesto() const { return localizedString("scrivitesto"); }
std::string mySingleScritte::stringaCreaGestisciLoghi() const { return localizedString("creagestisci"); }
std::string mySingleScritte::stringaFirmaLeTueFoto() const { return localizedString("firmafoto"); }
std::string mySingleScritte::stringaSalvaNelRullino() const { return localizedString("salvarullino"); }
std::string mySingleScritte::stringaTornaHome() const { return localizedString("tornahome"); }
std::string mySingleScritte::stringaModifica() const { return localizedString("MODIFICA"); }
std::string mySingleScritte::stringaSalva() const { return localizedString("SALVA"); }
std::string mySingleScritte::stringaSalvaLogoVuoto() const { return localizedString("cominciacreare"); }
std::string mySingleScritte::stringaTornareIndetroSenzaSalvare() const { return localizedString("senzasalvare"); }
std::string mySingleScritte::stringaLeModificheVerranoPerse() const { return localizedString("modificheperse"); }
std::string mySingleScritte::stringaCREA() const { return localizedString("CREA"); }
std::string mySingleScritte::stringaCARICA() const { return localizedString("CARICA"); }
std::string mySingleScritte::stringaVuoiElimiareLogo() const { return localizedString("eliminalogo"); }
std::string mySingleScritte::stringaFotoSingolare() const { return localizedString("FOTO"); }
std::string mySingleScritte::stringaFotoPlurale() const { return localizedString("FOTOplu"); }
std::string mySingleScritte::stringaLOGO() const { return localizedString("LOGO"); }
std::string mySingleScritte::stringaAVANTI() const { return localizedString("AVANTI"); }
std::string mySingleScritte::stringaPLLICA() const { return localizedString("APPLICA"); }
std::string mySingleScritte::stringaNonChiudereLApp() const { return localizedString("nonchiudereconclu"); }
std::string mySingleScritte::stringaPocaMemoria() const { return localizedString("pocospazio"); }
std::string mySingleScritte::stringaPocaMemoriaMessage() const { return localizedString("pocospaziomessage"); }
std::string mySingleScritte::stringaSelezionaFotoELogo() const { return localizedString("selezionaentrambi"); }
std::string mySingleScritte::stringaSelezionaMedia() const { return localizedString("Seleziona elementi"); }
std::string mySingleScritte::stringaLoghiApplicati() const { return localizedString("logoapplicatofotorullino"); }
std::string mySingleScritte::stringaSalvato() const { return localizedString("SALVATO"); }
std::string mySingleScritte::stringaPrimoAvvioUno() const { return localizedString("welcome"); }
std::string mySingleScritte::stringaPrimoAvvioDue() const { return localizedString("welcome2"); }
std::string mySingleScritte::stringaDeviAutorizzareFoto() const { return localizedString("autofoto"); }
std::string mySingleScritte::stringaConsensoFoto() const { return localizedString("consensofoto"); }
std::string mySingleScritte::stringaConsensoFotoMessaggio() const { return localizedString("consensofotomessaggio"); }
std::string mySingleScritte::stringaNonConsentire() const { return localizedString("nonconsentire"); }
std::string mySingleScritte::stringaErrore() const { return localizedString("errore"); }
std::string mySingleScritte::stringaAbilitaFoto() const { return localizedString("abilitafoto"); }
std::string mySingleScritte::stringaFotoIllegibili() const { return localizedString("fotoillegibili"); }
std::string mySingleScritte::stringaCreaAggiungiTuoLogoCell() const { return localizedString("creaoaggiungi"); }
std::string mySingleScritte::stringaAggiungiLogoTemplate() const { return localizedString("Aggiungi Template"); }
std::string mySingleScritte::stringaAggiungiFormaGeometrica() const { return localizedString("Aggiungi Forma Geometrica"); }
std::string mySingleScritte::stringaAggiungiTesto() const { return localizedString("Aggiungi Testo"); }
std::string mySingleScritte::stringaToccaElementoPerModificare() const { return localizedString("toccapermodificare"); }
std::string mySingleScritte::stringaRuotaScala() const { return localizedString("Ruota/Scala"); }
std::string mySingleScritte::stringaAltera() const { return localizedString("Altera"); }
std::string mySingleScritte::stringaEliminaTuto() const { return localizedString("Elimina"); }
std::string mySingleScritte::stringaLoghiSalvatiTrasparenti() const { return localizedString("messagiosalvatipng"); }
std::string mySingleScritte::stringaOrdinaLivelliTutorial() const { return localizedString("modificaordine"); }
std::string mySingleScritte::stringaTutoDimensioniPreset() const { return localizedString("presettuto"); }
std::string mySingleScritte::stringaTutoApplicaAllaFine() const { return localizedString("toccappllicafine"); }
std::string mySingleScritte::stringaTutoPosizionaIlTuoLogoDoveDesideri() const { return localizedString("spostalogo"); }
std::string mySingleScritte::stringaLogoSalvatoInGalleria() const { return localizedString("aggiuntogalleria"); }
std::string mySingleScritte::stringaCreaLogo() const { return localizedString("crealogo"); }
std::string mySingleScritte::stringaLogoGallery() const { return localizedString("logogallery"); }
std::string mySingleScritte::stringaAggiornamento() const { return localizedString("aggiornamento"); }
std::string mySingleScritte::stringaFotoSalvateDi() const { return localizedString("fotosalvatedi"); }
std::string mySingleScritte::stringaSalvaPosizione() const { return localizedString("SALVAPOSIZIONE"); }
std::string mySingleScritte::stringaSenzaPerdita() const { return localizedString("senzaperdita"); }
std::string mySingleScritte::stringaAvvisiFoto() const { return localizedString("avvisifoto"); }
std::string mySingleScritte::stringaPosizioneSalvata() const { return localizedString("posizionesalvata"); }
std::string mySingleScritte::stringaPosizioneNonSalvata() const { return localizedString("posizionenonsalvata"); }
std::string mySingleScritte::stringaFotoGiaApplicate() const { return localizedString("fotogiaapplicate"); }
std::string mySingleScritte::stringaNienteDaApplicare() const { return localizedString("nientedaapplicare"); }
std::string mySingleScritte::stringaNienteDaApplicareUna() const { return localizedString("nientedaapplicareuna"); }
std::string mySingleScritte::stringaPosizioneNonValida() const { return localizedString("posizionenonvalida"); }
std::string mySingleScritte::stringaRevisione() const { return localizedString("revisione"); }
std::string mySingleScritte::stringaRevisioneFoto() const { return localizedString("revisionefoto"); }
std::string mySingleScritte::stringaAdattaAOgniFoto() const { return localizedString("adattaaognifoto"); }
std::string mySingleScritte::stringaRegolazioneFoto() const { return localizedString("regolazionefoto"); }
std::string mySingleScritte::stringaUsaPosizioneComune() const { return localizedString("usaposizionecomune"); }
std::string mySingleScritte::stringaFineRegolazione() const { return localizedString("fineregolazione"); }

}
