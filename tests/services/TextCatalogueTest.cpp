#include <services/mySingleScritte.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/Paths.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace vd;

namespace {

using S = mySingleScritte;

struct Accessor {
    std::string (S::*text)() const;
    const char* key;
};

const Accessor accessors[] {
    { &S::stringaRullino, "rullino" }, { &S::stringaSeleziona, "seleziona" }, { &S::stringaSelezionate, "selezionate" },
    { &S::stringaAnnulla, "annulla" }, { &S::stringaOrdinaLayer, "ordina" }, { &S::stringaNotaLogoConSfondoTrasparente, "salvatotrasparente" },
    { &S::stringaVuoiUscireSenzaSalvareLogo, "usciresenzasalvare" }, { &S::stringaTrasparenza, "trasparenza" }, { &S::stringaTuoTesto, "scrivitesto" },
    { &S::stringaCreaGestisciLoghi, "creagestisci" }, { &S::stringaFirmaLeTueFoto, "firmafoto" }, { &S::stringaSalvaNelRullino, "salvarullino" },
    { &S::stringaTornaHome, "tornahome" }, { &S::stringaModifica, "MODIFICA" }, { &S::stringaSalva, "SALVA" },
    { &S::stringaSalvaLogoVuoto, "cominciacreare" }, { &S::stringaTornareIndetroSenzaSalvare, "senzasalvare" }, { &S::stringaLeModificheVerranoPerse, "modificheperse" },
    { &S::stringaCREA, "CREA" }, { &S::stringaCARICA, "CARICA" }, { &S::stringaVuoiElimiareLogo, "eliminalogo" },
    { &S::stringaFotoSingolare, "FOTO" }, { &S::stringaFotoPlurale, "FOTOplu" }, { &S::stringaLOGO, "LOGO" },
    { &S::stringaAVANTI, "AVANTI" }, { &S::stringaPLLICA, "APPLICA" }, { &S::stringaNonChiudereLApp, "nonchiudereconclu" },
    { &S::stringaPocaMemoria, "pocospazio" }, { &S::stringaPocaMemoriaMessage, "pocospaziomessage" }, { &S::stringaSelezionaFotoELogo, "selezionaentrambi" },
    { &S::stringaSelezionaMedia, "Seleziona elementi" }, { &S::stringaLoghiApplicati, "logoapplicatofotorullino" }, { &S::stringaSalvato, "SALVATO" },
    { &S::stringaPrimoAvvioUno, "welcome" }, { &S::stringaPrimoAvvioDue, "welcome2" }, { &S::stringaDeviAutorizzareFoto, "autofoto" },
    { &S::stringaConsensoFoto, "consensofoto" }, { &S::stringaConsensoFotoMessaggio, "consensofotomessaggio" }, { &S::stringaNonConsentire, "nonconsentire" },
    { &S::stringaErrore, "errore" }, { &S::stringaAbilitaFoto, "abilitafoto" }, { &S::stringaFotoIllegibili, "fotoillegibili" },
    { &S::stringaCreaAggiungiTuoLogoCell, "creaoaggiungi" }, { &S::stringaAggiungiLogoTemplate, "Aggiungi Template" }, { &S::stringaAggiungiFormaGeometrica, "Aggiungi Forma Geometrica" },
    { &S::stringaAggiungiTesto, "Aggiungi Testo" }, { &S::stringaToccaElementoPerModificare, "toccapermodificare" }, { &S::stringaRuotaScala, "Ruota/Scala" },
    { &S::stringaAltera, "Altera" }, { &S::stringaEliminaTuto, "Elimina" }, { &S::stringaLoghiSalvatiTrasparenti, "messagiosalvatipng" },
    { &S::stringaOrdinaLivelliTutorial, "modificaordine" }, { &S::stringaTutoDimensioniPreset, "presettuto" }, { &S::stringaTutoApplicaAllaFine, "toccappllicafine" },
    { &S::stringaTutoPosizionaIlTuoLogoDoveDesideri, "spostalogo" }, { &S::stringaLogoSalvatoInGalleria, "aggiuntogalleria" }, { &S::stringaCreaLogo, "crealogo" },
    { &S::stringaLogoGallery, "logogallery" }, { &S::stringaAggiornamento, "aggiornamento" }, { &S::stringaFotoSalvateDi, "fotosalvatedi" },
    { &S::stringaSalvaPosizione, "SALVAPOSIZIONE" }, { &S::stringaSenzaPerdita, "senzaperdita" }, { &S::stringaAvvisiFoto, "avvisifoto" },
    { &S::stringaPosizioneSalvata, "posizionesalvata" }, { &S::stringaPosizioneNonSalvata, "posizionenonsalvata" }, { &S::stringaFotoGiaApplicate, "fotogiaapplicate" },
    { &S::stringaNienteDaApplicare, "nientedaapplicare" }, { &S::stringaNienteDaApplicareUna, "nientedaapplicareuna" }, { &S::stringaPosizioneNonValida, "posizionenonvalida" },
    { &S::stringaRevisione, "revisione" }, { &S::stringaRevisioneFoto, "revisionefoto" }, { &S::stringaAdattaAOgniFoto, "adattaaognifoto" },
    { &S::stringaRegolazioneFoto, "regolazionefoto" }, { &S::stringaUsaPosizioneComune, "usaposizionecomune" }, { &S::stringaFineRegolazione, "fineregolazione" }
};

nlohmann::json table(const std::string& language)
{
    auto bytes = files::readAll(paths::resourcesDirectory() / "strings" / (language + ".json"));
    EXPECT_TRUE(bytes) << language;
    return bytes ? nlohmann::json::parse(bytes->begin(), bytes->end()) : nlohmann::json::object();
}

}

// Every accessor reads its own key of the English table; the Italian table has a text for each.
TEST(TextCatalogue, EveryAccessorReadsItsKeyFromTheEnglishTableAndItalianHasItToo)
{
    ::setenv("VARDENICO_LANG", "en", 1);
    const auto english = table("en"), italian = table("it");
    std::set<std::string> keys;
    for (const auto& accessor : accessors) {
        keys.insert(accessor.key);
        ASSERT_TRUE(english.contains(accessor.key) && italian.contains(accessor.key)) << accessor.key;
        EXPECT_EQ((S::sharedInstance().*accessor.text)(), english[accessor.key].get<std::string>()) << accessor.key;
        EXPECT_FALSE(italian[accessor.key].get<std::string>().empty()) << accessor.key;
    }
    EXPECT_EQ(std::tuple(keys.size(), english.size(), italian.size()), std::tuple(75uz, 75uz, 75uz));
    EXPECT_NE(italian["eliminalogo"], english["eliminalogo"]);
}
