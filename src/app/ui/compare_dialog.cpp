#include "app/ui/compare_dialog.h"

#include "app/language_texts.h"
#include "app/ui/named_widget.h"
#include "core/activity_log.h"
#include "operations/line_guard.h"
#include "operations/operation_host.h"
#include "operations/request_engine.h"
#include "table/meter_table.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The states of a step, in the order the summary counts them.
const char* const kStates[] = {"State.asWanted", "State.add", "State.key", "State.medium", "State.remove"};

QList<int> StatesOf(const MeterStep& s)
{
    if (s.remove)
        return {4};
    if (s.add)
        return {1};
    QList<int> states;
    if (s.setKey)
        states << 2;
    if (s.setMedium)
        states << 3;
    return states.isEmpty() ? QList<int>{0} : states;
}

}  // namespace

CompareDialog::CompareDialog(LineGuard& guard, const OperationHost& host, const MeterTable& table, ActivityLog& log,
                             int language, QWidget* parent)
    : QDialog(parent), guard_(guard), host_(host), table_(table), log_(log), language_(language)
{
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(text("CompareDialog"));
    auto* v = new QVBoxLayout(this);
    summary_ = named(new QLabel(this), "Label_compareSummary");
    v->addWidget(summary_);
    grid_ = named(new QTableWidget(0, 4, this), "Grid_compare");
    grid_->setAccessibleName(QStringLiteral("Receiver and table"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->hide();
    // The state column takes the width the contents leave, even after the
    // others are fitted to their texts.
    grid_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    QStringList headings;
    for (int c = 0; c < 4; ++c)
        headings << text(QStringLiteral("Grid_compare.%1").arg(c).toLatin1().constData());
    grid_->setHorizontalHeaderLabels(headings);
    grid_->resizeColumnsToContents();
    v->addWidget(grid_, 1);
    includeKeys_ = named(new QCheckBox(text("Check_includeKeys"), this), "Check_includeKeys");
    alsoDelete_ = named(new QCheckBox(text("Check_alsoDelete"), this), "Check_alsoDelete");
    v->addWidget(includeKeys_);
    v->addWidget(alsoDelete_);
    progress_ = named(new QProgressBar(this), "Progress_compare");
    progress_->hide();
    v->addWidget(progress_);
    compare_ = named(new QPushButton(text("Butt_compareAgain"), this), "Butt_compareAgain");
    program_ = named(new QPushButton(text("Butt_programDifferences"), this), "Butt_programDifferences");
    stop_ = named(new QPushButton(text("Butt_stopCompare"), this), "Butt_stopCompare");
    close_ = named(new QPushButton(text("Butt_closeCompare"), this), "Butt_closeCompare");
    stop_->hide();
    program_->setEnabled(false);
    v->addLayout(buttonRow({compare_, program_, stop_}, close_));
    connect(compare_, &QPushButton::clicked, this, &CompareDialog::compare);
    connect(program_, &QPushButton::clicked, this, &CompareDialog::programDifferences);
    connect(stop_, &QPushButton::clicked, this, [this] { stop(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    resize(QFontMetrics(font()).averageCharWidth() * 90, QFontMetrics(font()).height() * 28);
}

CompareDialog::~CompareDialog() = default;

QString CompareDialog::text(const char* name) const
{
    return LanguageTextFor(QLatin1String(name), language_);
}

QString CompareDialog::summary() const
{
    return summary_->text();
}

bool CompareDialog::begin(int steps)
{
    if (busy())
        return false;
    refusals_.clear();
    stopReason_.clear();
    stopRequested_ = false;
    // Like every operation, the dialog opens the port when it is closed.
    if (!guard_.line().EnsurePortOpen()) {
        summary_->setText(text("NotConnected"));
        return false;
    }
    engine_ = std::make_unique<RequestEngine>(guard_.line(), host_.zelkId(), host_.retries(), host_.responseTimeout());
    connect(engine_.get(), &RequestEngine::logLine, this, [this](const QString& line) {
        log_.append(line, includeKeys_->isChecked() ? ActivityLog::Content::Key : ActivityLog::Content::Plain);
    });
    connect(engine_.get(), &RequestEngine::notice, this, [this](const QString& line) { log_.append(line); });
    provisioner_ = std::make_unique<Provisioner>(*engine_, static_cast<ProvisionObserver&>(*this));
    guard_.take([this](const QByteArray& bytes) {
        if (engine_)
            engine_->receive(bytes);
    });
    for (QWidget* w : std::initializer_list<QWidget*>{compare_, program_, includeKeys_, alsoDelete_})
        w->setEnabled(false);
    stop_->show();
    progress_->setRange(0, steps);
    progress_->setValue(0);
    progress_->show();
    summary_->setText(text("Reading"));
    return true;
}

void CompareDialog::end(const QString& outcome)
{
    guard_.release();
    provisioner_.reset();
    engine_.reset();
    for (QWidget* w : std::initializer_list<QWidget*>{compare_, includeKeys_, alsoDelete_})
        w->setEnabled(true);
    program_->setEnabled(planValid_ && plan_.changes() > 0);
    stop_->hide();
    progress_->hide();
    if (!stopReason_.isEmpty())
        summary_->setText(stopReason_);
    log_.append(text("CompareDialog") + QStringLiteral(": ") + outcome + QStringLiteral(": ") + summary_->text());
    if (closeWhenDone_)
        close();
}

void CompareDialog::compare()
{
    wanted_ = WantedMeters(table_, includeKeys_->isChecked());
    int keys = 0;
    for (const ProgramRow& r : wanted_)
        keys += !r.key.isEmpty();
    if (!begin(1 + keys))
        return;
    planValid_ = false;
    survey();
    end(text("Butt_compareAgain"));
}

bool CompareDialog::survey()
{
    QHash<QString, QString> keys;
    if (!provisioner_->survey(wanted_, true, &keys))
        return false;
    // Every meter only the receiver holds is shown; deleting it is asked for.
    plan_ = PlanProgram(wanted_, provisioner_->list(), keys, true);
    planValid_ = true;
    showPlan();
    return true;
}

void CompareDialog::showPlan()
{
    grid_->setRowCount(int(plan_.steps.size()));
    int counts[5] = {};
    for (int r = 0; r < int(plan_.steps.size()); ++r) {
        const MeterStep& s = plan_.steps[std::size_t(r)];
        QStringList states;
        for (int state : StatesOf(s)) {
            ++counts[state];
            states << text(kStates[state]);
        }
        if (refusals_.contains(s.id))
            states << refusals_.value(s.id);
        const QString cells[] = {s.id, s.fileMedium, s.heldMedium, states.join(QStringLiteral(", "))};
        for (int c = 0; c < 4; ++c)
            grid_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    grid_->resizeColumnsToContents();
    QStringList parts;
    for (int state = 0; state < 5; ++state)
        if (counts[state] > 0 || (state == 0 && plan_.steps.empty()))
            parts << QStringLiteral("%1 %2").arg(counts[state]).arg(text(kStates[state]));
    if (!parts.isEmpty()) {
        // The first count names what it counts: "12 meters as in the table".
        const int n = parts.first().section(QLatin1Char(' '), 0, 0).toInt();
        parts.first().insert(parts.first().indexOf(QLatin1Char(' ')) + 1,
                             text(n == 1 ? "Summary.meter" : "Summary.meters") + QLatin1Char(' '));
    }
    summary_->setText(parts.join(QStringLiteral(", ")));
}

bool CompareDialog::ask(const QString& question)
{
    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool CompareDialog::confirmDeletes(ProgramPlan* plan)
{
    const int deletes = plan->deletes();
    if (alsoDelete_->isChecked() && deletes > 0) {
        if (!ask(text("AskDelete").arg(deletes)))
            return false;
        switch (CheckDeletes(int(wanted_.size()), deletes, false)) {
        case DeleteVerdict::NothingWanted:
            QMessageBox::warning(this, windowTitle(), text("NothingWanted"));
            return false;
        case DeleteVerdict::MoreThanWanted:
            if (!ask(text("AskDeleteMore").arg(deletes).arg(wanted_.size())))
                return false;
            break;
        case DeleteVerdict::Allowed: break;
        }
        return true;
    }
    auto& steps = plan->steps;
    steps.erase(std::remove_if(steps.begin(), steps.end(), [](const MeterStep& s) { return s.remove; }), steps.end());
    return true;
}

void CompareDialog::programDifferences()
{
    if (busy() || !planValid_)
        return;
    ProgramPlan plan = plan_;
    if (!confirmDeletes(&plan))
        return;
    int keys = 0;
    for (const ProgramRow& r : wanted_)
        keys += !r.key.isEmpty();
    if (!begin(plan.changes() + 1 + keys))
        return;
    if (provisioner_->apply(plan)) {
        const QHash<QString, QString> refused = refusals_;
        survey();
        refusals_ = refused;
        showPlan();
    }
    end(text("Butt_programDifferences"));
}

void CompareDialog::stop(bool now)
{
    stopRequested_ = true;
    if (busy())
        stopReason_ = text("Stopped");
    if (engine_ && now)
        engine_->abort();
}

void CompareDialog::closeEvent(QCloseEvent* event)
{
    if (busy()) {
        // The run unwinds first; the dialog closes when it has.
        closeWhenDone_ = true;
        stop(true);
        event->ignore();
        return;
    }
    closeWhenDone_ = false;
    QDialog::closeEvent(event);
}

void CompareDialog::reject()
{
    close();
}

void CompareDialog::advance(const QString&)
{
    if (progress_->value() >= progress_->maximum())
        progress_->setMaximum(progress_->maximum() + 1);
    progress_->setValue(progress_->value() + 1);
}

bool CompareDialog::accept(const RequestResult& r, const QString& id, const QString& step)
{
    switch (r.kind) {
    case RequestResult::Error:
        refusals_.insert(id,
                         QStringLiteral("%1 %2: 0x%3 %4")
                             .arg(step, text("Refused"),
                                  QString::number(r.errorCode, 16).toUpper().rightJustified(2, QLatin1Char('0')),
                                  r.errorText)
                             .trimmed());
        return true;
    case RequestResult::NoReply: stopReason_ = text("NoReply"); return false;
    case RequestResult::NotSent:  // the log says why
    case RequestResult::Interrupted: stopReason_ = text("Stopped"); return false;
    default: return true;
    }
}
