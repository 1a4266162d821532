// SPDX-License-Identifier: MIT
// FindWindow: the search runs on a thread of its own and hands its matches to the window in
// batches, so that a large catalogue never holds up the window; Find (or Enter) a second time,
// or Escape, asks it to stop between two blocks of a list.
#include "ui/FindWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <exception>

#include "base/Failure.h"
#include "platform/NamePattern.h"
#include "platform/OutputFile.h"
#include "ui/Dialogs.h"
#include "ui/FindResults.h"
#include "ui/QtText.h"
#include "ui/Remembered.h"

namespace dirscribe::ui {

namespace {

constexpr std::size_t kBatchSize = 4096;
constexpr auto kBatchInterval = std::chrono::milliseconds(100);

// What the search tells, gathered on the searching thread: matches go to the window in
// batches (a batch at least every tenth of a second while matches come), the lists that could
// not be read at the end.
class BatchSink final : public catalogue::SearchSink {
  public:
    BatchSink(FindWindow* window, const std::vector<std::string>& lists,
              std::shared_ptr<std::atomic<bool>> cancel)
        : window_(window),
          lists_(lists),
          cancel_(std::move(cancel)),
          sent_(std::chrono::steady_clock::now()) {}

    void Matched(std::size_t list, const ListedEntry& entry) override {
        batch_->Add(list, entry);
        if (batch_->entries.size() >= kBatchSize ||
            std::chrono::steady_clock::now() - sent_ >= kBatchInterval)
            Send();
    }
    // The first line passed over is named; the others are counted.
    void LineSkipped(std::size_t list, std::size_t line, std::string_view reason) override {
        if (firstSkipped.isEmpty())
            firstSkipped =
                QStringLiteral("%1:%2: %3").arg(Q(lists_[list])).arg(line).arg(Q(reason));
    }
    void ListFailed(std::size_t, std::string_view reason) override { failures << Q(reason); }
    bool Cancelled() override { return cancel_->load(); }

    void Send() {
        sent_ = std::chrono::steady_clock::now();
        if (batch_->entries.empty()) return;
        QMetaObject::invokeMethod(
            window_,
            [window = window_, batch = batch_] { window->Results().Append(std::move(*batch)); },
            Qt::QueuedConnection);
        batch_ = std::make_shared<FoundBatch>();
    }

    QStringList failures;
    QString firstSkipped;

  private:
    FindWindow* window_;
    const std::vector<std::string>& lists_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<FoundBatch> batch_ = std::make_shared<FoundBatch>();
    std::chrono::steady_clock::time_point sent_;
};

QString Plural(const QString& count, std::size_t n, const char* one, const char* many) {
    return count + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

}  // namespace

std::vector<std::string> SplitListFiles(const QString& text) {
    std::vector<std::string> lists;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) lists.push_back(name.toStdString());
    }
    return lists;
}

FindWindow::FindWindow(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      numbers_(platform::CurrentRegionalSettings()),
      cancel_(std::make_shared<std::atomic<bool>>(false)) {
    setObjectName(QStringLiteral("FindWindow"));
    setWindowTitle(QStringLiteral("Find in Lists"));
    setModal(false);
    setSizeGripEnabled(true);

    auto* grid = new QGridLayout;
    PatternBox_ = new QLineEdit(this);
    PatternBox_->setObjectName(QStringLiteral("PatternBox"));
    PatternBox_->setText(QStringLiteral("*.*"));
    auto* patternLabel = new QLabel(QStringLiteral("&Find:"), this);
    patternLabel->setBuddy(PatternBox_);
    RegexBox_ = new QCheckBox(QStringLiteral("&Regular expression"), this);
    RegexBox_->setObjectName(QStringLiteral("RegexBox"));
    ListsBox_ = new QLineEdit(this);
    ListsBox_->setObjectName(QStringLiteral("ListsBox"));
    auto* listsLabel = new QLabel(QStringLiteral("&In lists:"), this);
    listsLabel->setBuddy(ListsBox_);
    Browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
    Browse_->setObjectName(QStringLiteral("Browse"));
    Find_ = new QPushButton(QStringLiteral("Find"), this);
    Find_->setObjectName(QStringLiteral("FindButton"));
    Save_ = new QPushButton(QStringLiteral("&Save Results..."), this);
    Save_->setObjectName(QStringLiteral("SaveResults"));
    Save_->setEnabled(false);
    for (QPushButton* button : {Browse_, Save_}) button->setAutoDefault(false);
    Find_->setDefault(true);

    grid->addWidget(patternLabel, 0, 0);
    grid->addWidget(PatternBox_, 0, 1);
    grid->addWidget(RegexBox_, 0, 2);
    grid->addWidget(Find_, 0, 3);
    grid->addWidget(listsLabel, 1, 0);
    grid->addWidget(ListsBox_, 1, 1);
    grid->addWidget(Browse_, 1, 2);
    grid->addWidget(Save_, 1, 3);
    grid->setColumnStretch(1, 1);

    results_ = new FindResults(platform::CurrentRegionalSettings(), this);
    Table_ = new QTableView(this);
    Table_->setObjectName(QStringLiteral("Results"));
    Table_->setModel(results_);
    Table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_->setWordWrap(false);
    Table_->verticalHeader()->hide();
    // Rows of one height, known without looking at them: a table of a million rows scrolls
    // as one of ten.
    Table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    Table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    Table_->horizontalHeader()->setSortIndicatorShown(true);
    Table_->setSortingEnabled(true);
    Table_->horizontalHeader()->setStretchLastSection(true);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int widths[] = {12, 5, 10, 16, 16, 4, 8, 15};
    for (int column = 0; column < FindResults::ColumnCount; ++column)
        Table_->setColumnWidth(column, widths[column] * em);

    // The keyboard order: what to find, then where.
    setTabOrder(PatternBox_, ListsBox_);
    setTabOrder(ListsBox_, RegexBox_);
    setTabOrder(RegexBox_, Browse_);
    setTabOrder(Browse_, Find_);
    setTabOrder(Find_, Save_);
    setTabOrder(Save_, Table_);

    FindStatus_ = new QLabel(this);
    FindStatus_->setObjectName(QStringLiteral("FindStatus"));
    FindStatus_->setTextFormat(Qt::PlainText);
    FindStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Table_, 1);
    layout->addWidget(FindStatus_);

    auto* copy = new QAction(Table_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    Table_->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { CopyRows(); });
    auto* save = new QAction(this);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WindowShortcut);
    addAction(save);
    connect(save, &QAction::triggered, this, [this] {
        if (Save_->isEnabled()) Save_Click();
    });
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] { FocusPattern(); });
    connect(Find_, &QPushButton::clicked, this, [this] { Find_Click(); });
    connect(Browse_, &QPushButton::clicked, this, [this] { Browse_Click(); });
    connect(Save_, &QPushButton::clicked, this, [this] { Save_Click(); });

    // At first every column shows (the last one taking what is left).
    int tableWidth = 0;
    for (const int width : widths) tableWidth += width * em;
    resize(tableWidth + 4 * em, 36 * fontMetrics().height());
    if (QSettings* store = RememberedSettings()) {
        const QSize size = store->value(QLatin1String(kFindSizeKey)).toSize();
        if (size.isValid()) resize(size);
        QString lists = store->value(QLatin1String(kFindListsKey)).toString();
        if (lists.trimmed().isEmpty())
            lists = store->value(QLatin1String(kLastAppendFileKey)).toString();
        ListsBox_->setText(lists);
    }
    PatternBox_->selectAll();
    PatternBox_->setFocus();
}

FindWindow::~FindWindow() {
    Cancel();
    if (thread_.joinable()) thread_.join();
    if (QSettings* store = RememberedSettings())
        store->setValue(QLatin1String(kFindSizeKey), size());
}

void FindWindow::FocusPattern() {
    if (!PatternBox_->isEnabled()) return;
    PatternBox_->selectAll();
    PatternBox_->setFocus(Qt::ShortcutFocusReason);
}

void FindWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && Searching()) {
        Cancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FindWindow::Find_Click() {
    if (Searching()) {
        Cancel();
        return;
    }
    StartSearch();
}

void FindWindow::Cancel() {
    cancel_->store(true);
}

void FindWindow::StartSearch() {
    const std::vector<std::string> lists = SplitListFiles(ListsBox_->text());
    if (QSettings* store = RememberedSettings())
        store->setValue(QLatin1String(kFindListsKey), ListsBox_->text());
    results_->Reset(lists);
    searched_ = false;
    Save_->setEnabled(false);
    if (lists.empty()) {
        FindStatus_->setText(
            QStringLiteral("No list file to search: name one or more, "
                           "separated by \";\"."));
        emit SearchEnded();
        return;
    }
    std::shared_ptr<platform::NamePattern> pattern;
    try {
        pattern =
            catalogue::MakeSearchPattern(PatternBox_->text().toStdString(), RegexBox_->isChecked());
    } catch (const platform::PatternError& error) {
        const QString text = QStringLiteral("Bad regular expression '%1': %2")
                                 .arg(PatternBox_->text(), QString::fromUtf8(error.what()));
        FindStatus_->setText(text);
        dialogs_.ShowMessage(this, text);
        emit SearchEnded();
        return;
    }

    cancel_ = std::make_shared<std::atomic<bool>>(false);
    SetSearching(true);
    clock_.start();
    thread_ = std::thread([this, pattern, lists, cancel = cancel_] {
        BatchSink sink(this, lists, cancel);
        catalogue::SearchTotals totals;
        try {
            totals = catalogue::SearchLists(*pattern, lists, sink);
        } catch (const std::exception& error) {
            // Memory ran out, say: what was found so far stays.
            sink.failures << QStringLiteral("The search ended early: %1")
                                 .arg(QString::fromUtf8(error.what()));
            ++totals.listsFailed;
        }
        sink.Send();
        QMetaObject::invokeMethod(
            this,
            [this, totals, failures = sink.failures, skipped = sink.firstSkipped] {
                SearchDone(totals, failures, skipped);
            },
            Qt::QueuedConnection);
    });
}

void FindWindow::SearchDone(const catalogue::SearchTotals& totals, const QStringList& failures,
                            const QString& firstSkipped) {
    thread_.join();
    const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
    SetSearching(false);
    searched_ = true;
    Save_->setEnabled(true);
    results_->Resort();

    // A cancelled search stops inside a list, which counts as searched.
    const std::size_t lists = totals.listsRead + totals.listsFailed + (totals.cancelled ? 1 : 0);
    QString text = Plural(Grouped(totals.matches), totals.matches, "match", "matches") +
                   QStringLiteral(" in ") + Plural(Grouped(lists), lists, "list", "lists") +
                   QStringLiteral(" (") +
                   Plural(Grouped(totals.lines), totals.lines, "line", "lines") +
                   QStringLiteral("), ") + QString::number(seconds, 'f', 1) + QStringLiteral(" s");
    if (totals.linesSkipped > 0) {
        text += QStringLiteral("; ") +
                Plural(Grouped(totals.linesSkipped), totals.linesSkipped, "line", "lines") +
                QStringLiteral(" of no list format skipped (") + firstSkipped + QLatin1Char(')');
    }
    if (totals.cancelled) text = QStringLiteral("Cancelled: ") + text;
    for (const QString& failure : failures) text += QStringLiteral("; ") + failure;
    FindStatus_->setText(text);
    emit SearchEnded();
    if (!failures.isEmpty()) dialogs_.ShowMessage(this, failures.join(QLatin1Char('\n')));
}

void FindWindow::SetSearching(bool searching) {
    Find_->setText(searching ? QStringLiteral("Stop") : QStringLiteral("Find"));
    if (searching) FindStatus_->setText(QStringLiteral("Searching..."));
    for (QWidget* control : {static_cast<QWidget*>(PatternBox_), static_cast<QWidget*>(RegexBox_),
                             static_cast<QWidget*>(ListsBox_), static_cast<QWidget*>(Browse_)})
        control->setEnabled(!searching);
    // Enter and Escape reach the window while the boxes are disabled.
    if (searching) {
        Find_->setFocus();
    } else {
        PatternBox_->setFocus();
    }
}

QString FindWindow::Grouped(std::size_t number) const {
    std::string text;
    numbers_.AppendSizeText(text, static_cast<std::int64_t>(number));
    return Q(std::string_view(text).substr(text.find_first_not_of(' ')));
}

void FindWindow::Browse_Click() {
    FileDialogRequest request;
    request.title = QStringLiteral("Choose List Files");
    request.filter = QStringLiteral(
        "List Files (*.txt;*.csv;*.htm;*.html)|*.txt;*.csv;*.htm;*.html|"
        "All Files (*.*)|*");
    const std::vector<std::string> current = SplitListFiles(ListsBox_->text());
    if (!current.empty()) request.fileName = QString::fromStdString(current.front());
    const auto chosen = dialogs_.AskExistingFiles(this, request);
    if (!chosen || chosen->isEmpty()) return;
    QStringList names;
    for (const QString& name : *chosen) names << QDir::toNativeSeparators(name);
    ListsBox_->setText(names.join(QStringLiteral("; ")));
}

void FindWindow::Save_Click() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save Results As");
    request.filter = QStringLiteral("CSV Files (*.csv)|*.csv");
    const auto chosen = dialogs_.AskFileName(this, request);
    if (!chosen || chosen->isEmpty()) return;
    const QString name = QDir::toNativeSeparators(*chosen);
    if (QFileInfo::exists(name) &&
        !dialogs_.AskYesNo(
            this, QStringLiteral("%1 already exists.\r\nDo you want to replace it?").arg(name)))
        return;
    // Never the file of a list in the table: it would be lost.
    const std::string path = name.toStdString();
    for (const std::string& list : results_->Lists()) {
        if (platform::SameListFile(path, list)) {
            dialogs_.ShowMessage(this, QStringLiteral("The results were not saved: '%1' is a list "
                                                      "being searched.")
                                           .arg(name));
            return;
        }
    }
    std::string text = results_->Csv(kResultsLineEnd);
    try {
        platform::OutputFile file =
            platform::OutputFile::Open(path, platform::OutputFile::Mode::Write);
        file.Write(text);
        file.Close();
    } catch (const Failure& failure) {
        dialogs_.ShowMessage(
            this, QStringLiteral("The results were not saved: %1").arg(Q(failure.Description())));
    }
}

void FindWindow::CopyRows() {
    std::vector<int> rows;
    for (const QModelIndex& index : Table_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) return;
    QApplication::clipboard()->setText(results_->TabText(rows));
}

}  // namespace dirscribe::ui
