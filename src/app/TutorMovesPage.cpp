#include "app/TutorMovesPage.h"

#include "app/PressOnlyButton.h"
#include "app/QtText.h"
#include "species/MoveNames.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillmark::app {

namespace {

// Columns of check boxes: 38 moves in 10 rows, 52 in 13.
constexpr int kColumns = 4;

} // namespace

TutorMovesPage::TutorMovesPage(QWidget* parent) : QWidget(parent)
{
    lblTutors = new QLabel(this);
    lblTutors->setObjectName("lblTutors");
    lblTutors->setWordWrap(true);
    cmdAllTutors = pressOnlyButton("All", "cmdAllTutors", "All Tutor Moves", this);
    cmdNoTutors = pressOnlyButton("None", "cmdNoTutors", "No Tutor Moves", this);
    auto* boxes = new QWidget(this);
    m_grid = new QGridLayout(boxes);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setVerticalSpacing(0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAllTutors);
    buttons->addWidget(cmdNoTutors);
    buttons->addStretch(1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(boxes);
    page->addStretch(1);
    page->addLayout(buttons);
    page->addWidget(lblTutors);
    connect(cmdAllTutors, &QPushButton::clicked, this, [this] {
        for (auto* box : chkTutor)
            box->setChecked(true);
    });
    connect(cmdNoTutors, &QPushButton::clicked, this, [this] {
        for (auto* box : chkTutor)
            box->setChecked(false);
    });
    clearTutors();
}

void TutorMovesPage::showTutors(const std::vector<species::TutorMove>& moves,
                                const std::optional<std::vector<int>>& learns, const QString& problem, bool writable,
                                rom::Game game)
{
    // The boxes follow the game's list: another ROM may have another.
    if (chkTutor.size() != moves.size()) {
        for (auto* box : chkTutor)
            delete box;
        chkTutor.clear();
        const int rows = (static_cast<int>(moves.size()) + kColumns - 1) / kColumns;
        for (std::size_t i = 0; i < moves.size(); ++i) {
            auto* box = new QCheckBox(m_grid->parentWidget());
            box->setObjectName(QString("chkTutor%1").arg(i));
            box->setFont(font());
            m_grid->addWidget(box, static_cast<int>(i) % rows, static_cast<int>(i) / rows);
            connect(box, &QCheckBox::toggled, this, &TutorMovesPage::tutorsEdited);
            chkTutor.push_back(box);
        }
    }
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const auto name = qs(species::MoveNames[static_cast<std::size_t>(moves[i].move)]);
        chkTutor[i]->setText(name);
        chkTutor[i]->setAccessibleName("Tutor: " + name);
        chkTutor[i]->setToolTip(qs(moves[i].teacher));
    }
    m_loaded = learns;
    setTicked(learns.value_or(std::vector<int>{}));
    const bool editable = learns && writable && problem.isEmpty();
    for (auto* box : chkTutor)
        box->setEnabled(editable);
    cmdAllTutors->setEnabled(editable);
    cmdNoTutors->setEnabled(editable);
    if (moves.empty() && problem.isEmpty())
        lblTutors->setText(QString("%1 teaches no moves from a tutor table.").arg(qs(rom::gameName(game))));
    else if (!learns && problem.isEmpty())
        lblTutors->setText("This record has no tutor moves of its own.");
    else
        lblTutors->setText(problem);
}

void TutorMovesPage::clearTutors(const QString& why)
{
    m_loaded.reset();
    setTicked({});
    for (auto* box : chkTutor)
        box->setEnabled(false);
    cmdAllTutors->setEnabled(false);
    cmdNoTutors->setEnabled(false);
    lblTutors->setText(why);
}

void TutorMovesPage::setTicked(const std::vector<int>& learns)
{
    for (std::size_t i = 0; i < chkTutor.size(); ++i) {
        const QSignalBlocker quiet(chkTutor[i]);
        chkTutor[i]->setChecked(std::find(learns.begin(), learns.end(), static_cast<int>(i)) != learns.end());
    }
}

std::optional<std::vector<int>> TutorMovesPage::editedTutorLearns() const
{
    if (!m_loaded)
        return std::nullopt;
    std::vector<int> learns;
    for (std::size_t i = 0; i < chkTutor.size(); ++i) {
        if (chkTutor[i]->isChecked())
            learns.push_back(static_cast<int>(i));
    }
    return learns;
}

bool TutorMovesPage::hasPendingEdits() const { return m_loaded && editedTutorLearns() != m_loaded; }

void TutorMovesPage::revertEdits()
{
    if (m_loaded)
        setTicked(*m_loaded);
}

void TutorMovesPage::showFrom(const species::SpeciesLoad& load, rom::Game game)
{
    if (const auto& tutors = load.tutors)
        showTutors(tutors->moves, tutors->learns, qs(tutors->problem), tutors->writable, game);
}

void TutorMovesPage::whenEdited(std::function<void()> changed)
{
    connect(this, &TutorMovesPage::tutorsEdited, this, std::move(changed));
}

} // namespace quillmark::app
