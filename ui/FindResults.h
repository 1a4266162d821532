// SPDX-License-Identifier: MIT
// FindResults: the matches of a search over lists as a table model (one row per match, no
// widget per cell), sortable by any column, and their CSV as dirscribe-cli --find writes it.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ListReader.h"
#include "platform/Regional.h"

namespace dirscribe::ui {

// One match. Its texts are copied out of the list (the reader's views do not last): the volume
// and the folder into a pool of texts, which a list repeats line after line; the name, size
// and date one after the other into a block of characters.
struct FoundEntry {
    std::uint32_t list = 0;    // index into the searched lists
    std::uint32_t volume = 0;  // index into the pool of texts
    std::uint32_t folder = 0;  // likewise
    std::uint32_t block = 0;   // which block holds the name, size and date
    std::uint32_t at = 0;      // where the name begins in it
    std::uint32_t nameLength = 0;
    std::uint16_t sizeLength = 0;
    std::uint16_t dateLength = 0;
    bool isFolder = false;
    std::size_t line = 0;
};

// A batch of matches on its way from the searching thread to the window.
struct FoundBatch {
    std::vector<FoundEntry> entries;
    std::vector<std::string> texts;  // the texts the indexes of `entries` point into
    std::string chars;               // the block of their names, sizes and dates
    void Add(std::size_t list, const ListedEntry& entry);

  private:
    std::uint32_t Intern(std::string_view text, std::string& last, std::uint32_t& lastIndex);
    std::string lastVolume_, lastFolder_;
    std::uint32_t volumeIndex_ = UINT32_MAX, folderIndex_ = UINT32_MAX;
};

// A sortable key for a date text written with `settings`' short date and long time (the time
// left out at midnight); nothing when the text is not of that shape.
std::optional<std::int64_t> DateKey(std::string_view text,
                                    const platform::RegionalSettings& settings);
// The number a size text holds ("10,250,000" gives 10250000); -1 for an empty text.
std::int64_t SizeKey(std::string_view text);

class FindResults : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { List, Line, Volume, Folder, Name, Kind, Size, Date, ColumnCount };

    explicit FindResults(platform::RegionalSettings settings, QObject* parent = nullptr);

    // Empties the table for a search of `lists` (named as given).
    void Reset(const std::vector<std::string>& lists);
    const std::vector<std::string>& Lists() const { return lists_; }
    // Adds a batch at the end (in search order; a sorted table is sorted again by Resort).
    void Append(FoundBatch&& batch);
    // Sorts again by the column last sorted by, if any (after a search has ended).
    void Resort();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // The rows at these places of the table, one line each, cells joined by tabs.
    QString TabText(const std::vector<int>& rows) const;
    // Every match in search order as dirscribe-cli --find --format csv writes it, with its
    // header, each line ended by `lineEnd`.
    std::string Csv(std::string_view lineEnd) const;

  private:
    QString Text(const FoundEntry& entry, int column) const;
    std::string_view NameText(const FoundEntry& entry) const;
    std::string_view SizeText(const FoundEntry& entry) const;
    std::string_view DateText(const FoundEntry& entry) const;
    ListedEntry Listed(const FoundEntry& entry) const;

    platform::RegionalSettings settings_;
    std::vector<std::string> lists_;
    std::vector<std::string> texts_;
    std::vector<std::string> blocks_;   // the batches' blocks of characters
    std::vector<FoundEntry> entries_;   // in search order
    std::vector<std::uint32_t> order_;  // the table's rows: indexes into entries_
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace dirscribe::ui
