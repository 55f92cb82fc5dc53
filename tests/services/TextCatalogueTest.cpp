#include <services/mySingleScritte.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/Paths.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace vd;

namespace {

struct Accessor {
    std::string (mySingleScritte::*text)() const;
    const char* key;
};

const std::vector<Accessor>& accessors()
{
    static const std::vector<Accessor> all {
        { &mySingleScritte::stringaRullino, "rullino" },
        { &mySingleScritte::stringaSeleziona, "seleziona" },
        { &mySingleScritte::stringaSelezionate, "selezionate" },
        { &mySingleScritte::stringaAnnulla, "annulla" },
        { &mySingleScritte::stringaOrdinaLayer, "ordina" },
        { &mySingleScritte::stringaNotaLogoConSfondoTrasparente, "salvatotrasparente" },
        { &mySingleScritte::stringaVuoiUscireSenzaSalvareLogo, "usciresenzasalvare" },
        { &mySingleScritte::stringaTrasparenza, "trasparenza" },
        { &mySingleScritte::stringaTuoTesto, "scrivitesto" },
        { &mySingleScritte::stringaCreaGestisciLoghi, "creagestisci" },
        { &mySingleScritte::stringaFirmaLeTueFoto, "firmafoto" },
        { &mySingleScritte::stringaSalvaNelRullino, "salvarullino" },
        { &mySingleScritte::stringaTornaHome, "tornahome" },
        { &mySingleScritte::stringaModifica, "MODIFICA" },
        { &mySingleScritte::stringaSalva, "SALVA" },
        { &mySingleScritte::stringaSalvaLogoVuoto, "cominciacreare" },
        { &mySingleScritte::stringaTornareIndetroSenzaSalvare, "senzasalvare" },
        { &mySingleScritte::stringaLeModificheVerranoPerse, "modificheperse" },
        { &mySingleScritte::stringaCREA, "CREA" },
        { &mySingleScritte::stringaCARICA, "CARICA" },
        { &mySingleScritte::stringaVuoiElimiareLogo, "eliminalogo" },
        { &mySingleScritte::stringaFotoSingolare, "FOTO" },
        { &mySingleScritte::stringaFotoPlurale, "FOTOplu" },
        { &mySingleScritte::stringaLOGO, "LOGO" },
        { &mySingleScritte::stringaAVANTI, "AVANTI" },
        { &mySingleScritte::stringaPLLICA, "APPLICA" },
        { &mySingleScritte::stringaNonChiudereLApp, "nonchiudereconclu" },
        { &mySingleScritte::stringaPocaMemoria, "pocospazio" },
        { &mySingleScritte::stringaPocaMemoriaMessage, "pocospaziomessage" },
        { &mySingleScritte::stringaSelezionaFotoELogo, "selezionaentrambi" },
        { &mySingleScritte::stringaSelezionaMedia, "Seleziona elementi" },
        { &mySingleScritte::stringaLoghiApplicati, "logoapplicatofotorullino" },
        { &mySingleScritte::stringaSalvato, "SALVATO" },
        { &mySingleScritte::stringaPrimoAvvioUno, "welcome" },
        { &mySingleScritte::stringaPrimoAvvioDue, "welcome2" },
        { &mySingleScritte::stringaDeviAutorizzareFoto, "autofoto" },
        { &mySingleScritte::stringaConsensoFoto, "consensofoto" },
        { &mySingleScritte::stringaConsensoFotoMessaggio, "consensofotomessaggio" },
        { &mySingleScritte::stringaNonConsentire, "nonconsentire" },
        { &mySingleScritte::stringaErrore, "errore" },
        { &mySingleScritte::stringaAbilitaFoto, "abilitafoto" },
        { &mySingleScritte::stringaFotoIllegibili, "fotoillegibili" },
        { &mySingleScritte::stringaCreaAggiungiTuoLogoCell, "creaoaggiungi" },
        { &mySingleScritte::stringaAggiungiLogoTemplate, "Aggiungi Template" },
        { &mySingleScritte::stringaAggiungiFormaGeometrica, "Aggiungi Forma Geometrica" },
        { &mySingleScritte::stringaAggiungiTesto, "Aggiungi Testo" },
        { &mySingleScritte::stringaToccaElementoPerModificare, "toccapermodificare" },
        { &mySingleScritte::stringaRuotaScala, "Ruota/Scala" },
        { &mySingleScritte::stringaAltera, "Altera" },
        { &mySingleScritte::stringaEliminaTuto, "Elimina" },
        { &mySingleScritte::stringaLoghiSalvatiTrasparenti, "messagiosalvatipng" },
        { &mySingleScritte::stringaOrdinaLivelliTutorial, "modificaordine" },
        { &mySingleScritte::stringaTutoDimensioniPreset, "presettuto" },
        { &mySingleScritte::stringaTutoApplicaAllaFine, "toccappllicafine" },
        { &mySingleScritte::stringaTutoPosizionaIlTuoLogoDoveDesideri, "spostalogo" },
        { &mySingleScritte::stringaLogoSalvatoInGalleria, "aggiuntogalleria" },
        { &mySingleScritte::stringaCreaLogo, "crealogo" },
        { &mySingleScritte::stringaLogoGallery, "logogallery" },
        { &mySingleScritte::stringaAggiornamento, "aggiornamento" },
        { &mySingleScritte::stringaFotoSalvateDi, "fotosalvatedi" },
        { &mySingleScritte::stringaSalvaPosizione, "SALVAPOSIZIONE" },
        { &mySingleScritte::stringaSenzaPerdita, "senzaperdita" },
        { &mySingleScritte::stringaAvvisiFoto, "avvisifoto" },
        { &mySingleScritte::stringaPosizioneSalvata, "posizionesalvata" },
        { &mySingleScritte::stringaPosizioneNonSalvata, "posizionenonsalvata" },
        { &mySingleScritte::stringaFotoGiaApplicate, "fotogiaapplicate" },
        { &mySingleScritte::stringaNienteDaApplicare, "nientedaapplicare" },
        { &mySingleScritte::stringaNienteDaApplicareUna, "nientedaapplicareuna" },
        { &mySingleScritte::stringaPosizioneNonValida, "posizionenonvalida" },
        { &mySingleScritte::stringaRevisione, "revisione" },
        { &mySingleScritte::stringaRevisioneFoto, "revisionefoto" },
        { &mySingleScritte::stringaAdattaAOgniFoto, "adattaaognifoto" },
        { &mySingleScritte::stringaRegolazioneFoto, "regolazionefoto" },
        { &mySingleScritte::stringaUsaPosizioneComune, "usaposizionecomune" },
        { &mySingleScritte::stringaFineRegolazione, "fineregolazione" }
    };
    return all;
}

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
    for (const auto& accessor : accessors()) {
        keys.insert(accessor.key);
        ASSERT_TRUE(english.contains(accessor.key)) << accessor.key;
        EXPECT_EQ((mySingleScritte::sharedInstance().*accessor.text)(), english[accessor.key].get<std::string>()) << accessor.key;
        ASSERT_TRUE(italian.contains(accessor.key)) << accessor.key;
        EXPECT_FALSE(italian[accessor.key].get<std::string>().empty()) << accessor.key;
    }
    EXPECT_EQ(keys.size(), 75u);
    EXPECT_EQ(english.size(), 75u);
    EXPECT_EQ(italian.size(), 75u);
    EXPECT_NE(italian["eliminalogo"], english["eliminalogo"]);
}
