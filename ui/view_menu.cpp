#include "ui/view_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <variant>

#include "analysis/compare_tolerance.h"

namespace kvt {

namespace {

constexpr const char* ToleranceHelp =
    "Type auto (three converter steps on each axis), a percentage of the reference's span such as 3 %, or volts and "
    "amperes such as 20mV,50uA.";

QString ScaleCaption(int milliamps) {
  if (milliamps == WholeRangeMilliamps) return QStringLiteral("&Whole range (60 mA)");
  if (milliamps == 10) return QStringLiteral("&10 mA or less: the Max I scroll bar");
  return QStringLiteral("&%1 mA").arg(milliamps);
}

}  // namespace

ViewMenu::ViewMenu(QMenuBar* bar, Prompt& prompt, std::function<void()> changed, AskText ask)
    : QObject(bar), prompt_(prompt), changed_(std::move(changed)), ask_(std::move(ask)) {
  if (!ask_)
    ask_ = [bar](const std::string& current) -> std::optional<std::string> {
      bool ok = false;
      const QString text = QInputDialog::getText(bar->window(), "Match tolerance",
                                                 QString("Tolerance of the match against the references.\n") +
                                                     ToleranceHelp,
                                                 QLineEdit::Normal, QString::fromStdString(current), &ok);
      if (!ok) return std::nullopt;
      return text.trimmed().toStdString();
    };
  auto* view = new QMenu("&View", bar);
  view->setObjectName("View");
  QAction* before = nullptr;
  if (auto* options = bar->findChild<QMenu*>("Options")) before = options->menuAction();
  bar->insertMenu(before, view);

  QMenu* scale = view->addMenu("Current &scale");
  scale->setObjectName("View_Scale");
  auto* group = new QActionGroup(scale);
  for (int milliamps : CurrentScales) {
    QAction* item = scale->addAction(ScaleCaption(milliamps));
    item->setObjectName(QString("View_Scale%1").arg(milliamps));
    item->setCheckable(true);
    group->addAction(item);
    connect(item, &QAction::triggered, this, [this, milliamps] { SetCurrentScale(milliamps); });
    scaleItems_.push_back(item);
  }
  logCurrent_ = view->addAction("&Log current");
  logCurrent_->setObjectName("View_LogCurrent");
  logCurrent_->setCheckable(true);
  logCurrent_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  connect(logCurrent_, &QAction::triggered, this, [this](bool on) { SetLogCurrent(on); });
  view->addSeparator();
  matchTolerance_ = view->addAction("Match &tolerance...");
  matchTolerance_->setObjectName("View_MatchTolerance");
  connect(matchTolerance_, &QAction::triggered, this, [this] { AskMatchTolerance(); });
  ShowChecks();
}

void ViewMenu::Load(const std::string& configDir) {
  configDir_ = configDir;
  options_ = ReadViewOptions(configDir);
  if (std::holds_alternative<std::string>(ParseTolerance(options_.matchTolerance)))
    options_.matchTolerance = ViewOptions{}.matchTolerance;
  ShowChecks();
}

CompareOptions ViewMenu::MatchOptions() const {
  auto parsed = ParseTolerance(options_.matchTolerance);
  if (const auto* options = std::get_if<CompareOptions>(&parsed)) return *options;
  return {};
}

void ViewMenu::SetCurrentScale(int milliamps) {
  options_.currentScaleMilliamps = milliamps;
  Changed();
}

void ViewMenu::SetLogCurrent(bool on) {
  options_.logCurrent = on;
  Changed();
}

void ViewMenu::AskMatchTolerance() {
  std::string text = options_.matchTolerance;
  while (const auto answer = ask_(text)) {
    text = *answer;
    auto parsed = ParseTolerance(text);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
      prompt_.Message("The match tolerance " + *why + ".\n\n" + ToleranceHelp, PromptIcon::Exclamation,
                      PromptButtons::Ok, PromptAnswer::Ok);
      continue;
    }
    options_.matchTolerance = text;
    Changed();
    return;
  }
}

void ViewMenu::Changed() {
  ShowChecks();
  // Said once: the view goes on as chosen for this session.
  if (!configDir_.empty())
    if (const auto failure = WriteViewOptions(options_, configDir_); failure && !toldWriteFailure_) {
      toldWriteFailure_ = true;
      prompt_.Message(*failure + "\n\nThe view keeps these settings until the program ends.",
                      PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    }
  if (changed_) changed_();
}

void ViewMenu::ShowChecks() {
  for (std::size_t i = 0; i < scaleItems_.size(); ++i)
    scaleItems_[i]->setChecked(CurrentScales[i] == options_.currentScaleMilliamps);
  logCurrent_->setChecked(options_.logCurrent);
}

}  // namespace kvt
