#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/scenario_content.h"
#include "tests/content/document_lines.h"

namespace scenario::content {
namespace {

using testing::documentLines;
using testing::fileLines;

const std::string kEmptyRow =
    " |   |                            |            |          |         |            |";
const std::string kRule =
    " |___|____________________________|____________|__________|_________|____________|";

TEST(SlowdownOrderTest, WholeForm) {
    std::vector<std::string> expected = {
        "",
        std::string(31, ' ') + "Modulo M. 3",
        std::string(27, ' ') + "ORDINE DI RALLENTAMENTO",
        " " + std::string(80, '_'),
        "  Linea  GENOVA TORINO",
        "",
        "  Si ordina al macchinista del treno 514 di effettuare i seguenti rallentamenti",
        "  " + std::string(79, '_'),
        " |   |                            |Inizio dopo |          |         |            |",
        " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
        " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
        kRule,
        kEmptyRow,
        " |   |  Nessun rallentamento      |            |          |         |            |",
    };
    expected.insert(expected.end(), 24, kEmptyRow);
    expected.insert(expected.end(),
                    {
                        kRule,
                        "",
                        std::string(14, ' ') + "Prescrizioni specifiche",
                        " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
                        " B - Interessa anche la stazione di.......",
                        " D - Rallentamneto N. ... e N. ...  sono contigui",
                        " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
                        "     i giorni esclusi i seguenti:.........",
                    });
    ASSERT_EQ(expected.size(), 46u);
    const std::vector<std::string> lines = documentLines(slowdownOrder());
    EXPECT_EQ(lines, expected);
    for (std::size_t i = 8; i < 39 && i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size(), 82u) << "line " << i + 1;
    }
    EXPECT_TRUE(encodeDocument(slowdownOrder()).ends_with("seguenti:.........\r\n"));
}

TEST(NotesTest, WindowsLatinTextWithItsBlanks) {
    const std::string bytes = encodeDocument(notes());
    const std::vector<std::string> lines = fileLines(bytes);
    ASSERT_EQ(lines.size(), 10u);
    const std::vector<std::string> expected = {
        "Il treno IC 514 per interruzione della linea diretta fra Ronco Scrivia",
        "ed Arquata Scrivia viene istradato sulla linea Ronco - Isola del Cantone",
        "La scheda treno da guardare una volta arrivati a Ronco \xE8 quella n\xB0"
        "3",
        "del treno 11514 (di fantasia) che percorre la deviazione.Naturalmente",
        "l'arrivo ad Arquata \xE8 fortemente ritardato rispetto alla situazione ",
        "normale . Per\xF2 la velocit\xE0 di fiancata consente un bel recupero fino",
        "a Torino P.N. e si pu\xF2 tranquillamente arrivare in orario.",
        "Lo scenario \xE8 fedele alla realt\xE0 (nella planimetria) nel primo tratto fino a NOVI "
        "all'80%",
        "poi al 95%.",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 9), expected);

    // The last line tells where to report a problem with the scenario, in plain ASCII.
    const std::string& contact = lines[9];
    EXPECT_TRUE(contact.starts_with("Per segnalazioni sullo scenario: ")) << contact;
    for (char c : contact) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << contact;
    EXPECT_EQ(contact.find("[fine]"), std::string::npos);
    EXPECT_EQ(bytes.find(kEndMarker), std::string::npos);
    EXPECT_TRUE(bytes.ends_with(contact + "\r\n"));
}

}  // namespace
}  // namespace scenario::content
