#include <platform/foundation/Files.h>
#include <platform/foundation/Strings.h>

#include "TestSupport.h"

using vd::StringsCatalogue;

namespace {

void write(const std::filesystem::path& path, const std::string& text)
{
    ASSERT_TRUE(vd::files::writeAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
}

struct Environment {
    Environment()
    {
        for (const char* name : { "VARDENICO_LANG", "LC_ALL", "LC_MESSAGES", "LANG" })
            ::unsetenv(name);
    }
};
}

TEST(Strings, LanguageComesFromTheEnvironmentInOrderFallingBackToEnglishAndKeysToThemselves)
{
    Environment clean;
    EXPECT_EQ(StringsCatalogue::preferredLanguage(), "en");
    // Each variable set in turn takes over from those before it.
    for (const auto& [name, value, language] : { std::tuple { "LANG", "it_IT.UTF-8", "it" }, { "LC_MESSAGES", "de_DE", "de" }, { "LC_ALL", "C", "en" }, { "VARDENICO_LANG", "it", "it" } }) {
        ::setenv(name, value, 1);
        EXPECT_EQ(StringsCatalogue::preferredLanguage(), language) << name;
    }
    Environment after;

    // A missing language falls back to English, and missing keys read as themselves.
    vd::test::TemporaryFolder folder;
    write(folder / "en.json", R"({"annulla": "Cancel", "LOGO": "LOGO", "count": 3})");
    write(folder / "it.json", R"({"annulla": "Annulla"})");
    write(folder / "fr.json", R"({"annulla": "Annu)");

    const auto italian = StringsCatalogue::load(folder.path(), "it"), german = StringsCatalogue::load(folder.path(), "de");
    EXPECT_EQ(italian.language() + italian.localizedString("annulla") + " " + italian.localizedString("welcome2"), "itAnnulla welcome2");
    EXPECT_EQ(german.language() + german.localizedString("annulla") + " " + german.localizedString("count"), "enCancel count") << "a number is not a text";

    testing::internal::CaptureStderr();
    const auto broken = StringsCatalogue::load(folder.path(), "fr");
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(broken.localizedString("annulla"), "Cancel");
    EXPECT_NE(diagnostics.find("fr.json"), std::string::npos);
}
