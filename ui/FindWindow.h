// SPDX-License-Identifier: MIT
// FindWindow: the "Find in Lists" window, which finds names in list files (a catalogue of many
// discs) and shows, copies and saves the matches.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/ListSearch.h"
#include "engine/ListFormats.h"
#include "platform/FileSystem.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace dirscribe::ui {

class Dialogs;
class FindResults;

// The line end of the lists on this system, which the saved matches use too.
inline constexpr std::string_view kResultsLineEnd =
    platform::kPathSeparator == '\\' ? "\r\n" : "\n";

// The list files of a list-files box: the texts between ";", without blanks around them.
std::vector<std::string> SplitListFiles(const QString& text);

class FindWindow : public QDialog {
    Q_OBJECT

  public:
    // Not modal; opens with the size and list files it had last time, or else with the append
    // file of the last listing run.
    explicit FindWindow(Dialogs& dialogs, QWidget* parent = nullptr);
    // A search still running is cancelled and waited for.
    ~FindWindow() override;

    bool Searching() const { return thread_.joinable(); }
    // Puts the keyboard into the pattern box, its text selected (Ctrl+F, here or in the main
    // window).
    void FocusPattern();
    FindResults& Results() const { return *results_; }

  signals:
    // A search has ended (done, cancelled, or no search could start) and the status line says
    // how.
    void SearchEnded();

  protected:
    // Escape: cancels a search in progress, else closes the window.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Find_Click();
    void Browse_Click();
    void Save_Click();
    void CopyRows();

    void StartSearch();
    void Cancel();
    // Called on the window's thread when the searching thread has ended, with the lists that
    // could not be read and the first line passed over as no list line.
    void SearchDone(const catalogue::SearchTotals& totals, const QStringList& failures,
                    const QString& firstSkipped);
    void SetSearching(bool searching);
    QString Grouped(std::size_t number) const;

    Dialogs& dialogs_;
    FieldFormatter numbers_;  // the counts of the status line, grouped as sizes are
    QLineEdit* PatternBox_ = nullptr;
    QCheckBox* RegexBox_ = nullptr;
    QLineEdit* ListsBox_ = nullptr;
    QPushButton* Browse_ = nullptr;
    QPushButton* Find_ = nullptr;
    QPushButton* Save_ = nullptr;
    QTableView* Table_ = nullptr;
    QLabel* FindStatus_ = nullptr;
    FindResults* results_ = nullptr;

    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QElapsedTimer clock_;
    bool searched_ = false;  // the table holds the matches of a search
};

}  // namespace dirscribe::ui
