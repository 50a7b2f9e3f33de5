// The document controller without a window: what Save asks of the pages that hold a
// species' values, on a Platinum image with the game's real tables.
#include "app/DocumentController.h"
#include "romimage/RomImage.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <functional>

using namespace quillmark;
using namespace quillmark::test;

namespace {

// A window's page as the controller sees it.
struct Page : app::EditorPage {
    species::PartSet parts;
    std::function<void(species::SpeciesChanges&)> give;
    std::optional<QString> problem;
    int asked = 0;
    bool pending = false;

    bool hasPendingEdits() const override { return pending; }
    std::optional<QString> commitTyped(const QString&) override
    {
        ++asked;
        return problem;
    }
    void giveEdits(species::SpeciesChanges& changes) const override
    {
        if (give)
            give(changes);
    }
    void revertEdits() override { pending = false; }
    species::PartSet wants() const override { return parts; }
};

// The main window's fields, and a page of the egg moves.
const auto kFields = species::partsOf<species::SpeciesRecordsPart>();
const auto kEggMoves = species::partsOf<species::EggMovesPart>();

// Gible's egg moves as the games have them, the last one (Iron Head) left out.
const std::vector<int> kGibleWithoutIronHead{225, 200, 239, 184, 38, 37, 232, 328, 34};
constexpr int kGible = 442;

// `eggTable`: whether its overlay holds the egg move table.
std::string platinumImage(const TempDir& dir, bool eggTable = true)
{
    const auto path = dir.file("platinum.nds");
    romimage::ImageRecipe recipe;
    recipe.noEggTable = !eggTable;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr, nullptr));
    return path;
}

TEST(DocumentController, SaveAsksThePagesShownAndWritesOnlyWhatTheyGive)
{
    const struct {
        const char* what;
        bool eggTable;                   // the lists' part can show the species
        std::optional<QString> problem;  // what the fields page names at Save
        bool listsPageAsked, written;
    } rows[] = {
        {"the lists shown: their page is asked and its edits written", true, std::nullopt, true, true},
        {"the lists not shown: their page holds nothing the user sees", false, std::nullopt, false, false},
        {"a page names a problem: nothing is written, and every page is asked for its own", true,
         "Gible, HP: \"x\" is no number", true, false},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const auto path = platinumImage(dir, row.eggTable);
        const auto pristine = readFile(path);

        app::DocumentController controller;
        Page fields, lists;
        fields.parts = kFields;
        lists.parts = kEggMoves;
        fields.problem = row.problem;
        lists.give = [](species::SpeciesChanges& changes) { changes.eggMoves = kGibleWithoutIronHead; };
        controller.addPage(&fields);
        controller.addPage(&lists);
        QObject::connect(&controller, &app::DocumentController::loaded,
                         [&](int, const species::SpeciesLoad& load) {
                             fields.give = [values = load.record.values](species::SpeciesChanges& changes) {
                                 changes.values = values;
                             };
                         });
        QSignalSpy refused(&controller, &app::DocumentController::saveRefused);
        QSignalSpy saved(&controller, &app::DocumentController::saveCompleted);

        controller.open(path);
        controller.select(kGible);
        ASSERT_TRUE(controller.speciesLoaded()) << row.what;
        controller.save(kGible);

        EXPECT_EQ(lists.asked > 0, row.listsPageAsked) << row.what;
        EXPECT_EQ(readFile(path) != pristine, row.written) << row.what;
        if (row.problem) {
            ASSERT_EQ(refused.count(), 1) << row.what;
            EXPECT_EQ(refused.at(0).at(0).toString(), *row.problem + ". Nothing was written.") << row.what;
            EXPECT_EQ(saved.count(), 0) << row.what;
        } else {
            EXPECT_EQ(saved.count(), 1) << row.what;
        }
        if (row.written) {
            auto document = species::RomDocument::open(path, species::DocumentAccess::HeldForReading);
            ASSERT_TRUE(document);
            EXPECT_EQ((*document->read<species::EggMovesPart>())->table.moves.at(kGible + 1), kGibleWithoutIronHead);
        }
    }
}

// The pending mark answers for every page shown, and Revert puts back only those.
TEST(DocumentController, PendingAndRevertFollowThePagesShown)
{
    TempDir dir;
    const auto path = platinumImage(dir, false);

    app::DocumentController controller;
    Page fields, lists;
    fields.parts = kFields;
    lists.parts = kEggMoves;
    controller.addPage(&fields);
    controller.addPage(&lists);
    QSignalSpy pending(&controller, &app::DocumentController::pendingChanged);
    controller.open(path);
    controller.select(kGible);  // no egg table to show: the lists' page holds nothing shown

    lists.pending = true;
    controller.updatePending();
    EXPECT_FALSE(pending.last().at(0).toBool());
    controller.revert();
    EXPECT_TRUE(lists.pending);

    fields.pending = true;
    controller.updatePending();
    EXPECT_TRUE(pending.last().at(0).toBool());
    controller.revert();
    EXPECT_FALSE(fields.pending);
    EXPECT_FALSE(pending.last().at(0).toBool());
}

} // namespace

namespace {

// A page asks for its parts, in whatever window it is: a pick reads them for it, and a
// page made after the pick gets them at once, only what the pick did not read.
TEST(DocumentController, APageGetsThePartsItAsksForWhereverItIs)
{
    TempDir dir;
    const auto path = platinumImage(dir);
    app::DocumentController controller;
    Page fields, tutors;
    fields.parts = kFields;
    tutors.parts = species::partsOf<species::TutorMovesPart>();
    controller.addPage(&fields);
    controller.addPage(&tutors);
    std::vector<species::SpeciesLoad> loads;
    QObject::connect(&controller, &app::DocumentController::loaded,
                     [&](int, const species::SpeciesLoad& load) { loads.push_back(load); });
    controller.open(path);
    controller.select(kGible);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_TRUE(species::holds<species::SpeciesRecordsPart>(loads[0]));
    EXPECT_TRUE(species::holds<species::TutorMovesPart>(loads[0]));
    EXPECT_FALSE(species::holds<species::EggMovesPart>(loads[0]));
    EXPECT_FALSE(loads[0].moves) << "no page asked for the level-up lists";
    ASSERT_TRUE(loads[0].tutors);
    ASSERT_TRUE(loads[0].tutors->learns);
    EXPECT_EQ(loads[0].tutors->learns->size(), 8u) << "Gible's eight tutor moves in Platinum";

    // Opened later: the egg moves alone, read for the species shown.
    Page eggs;
    eggs.parts = kEggMoves;
    controller.addPage(&eggs);
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_EQ(loads[1].parts, kEggMoves);
    ASSERT_TRUE(loads[1].eggMoves && loads[1].eggMoves->moves);
    const std::vector<int> gibleEggMoves{225, 200, 239, 184, 38, 37, 232, 328, 34, 442};
    EXPECT_EQ(*loads[1].eggMoves->moves, gibleEggMoves);

    // A page whose parts were read already reads nothing more.
    Page more;
    more.parts = kFields;
    controller.addPage(&more);
    EXPECT_EQ(loads.size(), 2u);
}

} // namespace
