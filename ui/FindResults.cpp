// SPDX-License-Identifier: MIT
// FindResults: the rows are kept in search order (for saving), and the table shows them through
// an order of its own (for sorting).
#include "ui/FindResults.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "catalogue/ListSearch.h"
#include "platform/NamePattern.h"

namespace dirscribe::ui {

namespace {

QString Local(std::string_view text) {
    // The lists hold names in the system's own encoding (the ANSI code page on Windows).
    std::string scratch;
    const std::string_view utf8 = platform::ListTextAsUtf8(text, scratch);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.empty() || text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (a != b && !(a < 128 && b < 128 && std::tolower(a) == std::tolower(b))) return false;
    }
    return true;
}

// Reads a pattern's pieces off the front of `text` into `time`; false when they do not fit.
bool Take(std::string_view& text, const platform::DateTimePattern& pattern,
          const platform::RegionalSettings& settings, platform::CivilTime& time, bool& pm,
          bool& hasAmPm) {
    using Kind = platform::DateTimeToken::Kind;
    // The longest of names that begins the text, as its index; -1 when none does.
    const auto takeName = [&text](const auto& names) {
        int best = -1;
        std::size_t length = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].size() > length && StartsWithNoCase(text, names[i])) {
                best = static_cast<int>(i);
                length = names[i].size();
            }
        }
        text.remove_prefix(length);
        return best;
    };
    for (std::size_t t = 0; t < pattern.size(); ++t) {
        const platform::DateTimeToken& token = pattern[t];
        switch (token.kind) {
            case Kind::Literal:
                if (text.substr(0, token.text.size()) != token.text) return false;
                text.remove_prefix(token.text.size());
                continue;
            case Kind::MonthAbbrev:
            case Kind::MonthName: {
                const int month = takeName(token.kind == Kind::MonthName ? settings.monthName
                                                                         : settings.monthAbbrev);
                if (month < 0) return false;
                time.month = month + 1;
                continue;
            }
            case Kind::DayAbbrev:
            case Kind::DayName:
                if (takeName(token.kind == Kind::DayName ? settings.dayName : settings.dayAbbrev) <
                    0)
                    return false;
                continue;
            case Kind::AmPm: {
                const int which = takeName(std::array<std::string, 2>{settings.am, settings.pm});
                if (which < 0) return false;
                pm = which == 1;
                hasAmPm = true;
                continue;
            }
            default:
                break;
        }
        // A number: its digits, padding in front allowed; only `width` digits when another
        // number follows right after it (a pattern without separators).
        while (!text.empty() && text.front() == token.pad && token.pad != '0' && token.width > 1)
            text.remove_prefix(1);
        const bool packed = t + 1 < pattern.size() && pattern[t + 1].kind != Kind::Literal &&
                            pattern[t + 1].kind != Kind::AmPm;
        const std::size_t most = packed ? static_cast<std::size_t>(token.width) : 9;
        std::size_t digits = 0;
        int value = 0;
        while (digits < most && digits < text.size() && IsDigit(text[digits])) {
            value = value * 10 + (text[digits] - '0');
            ++digits;
        }
        if (digits == 0) return false;
        text.remove_prefix(digits);
        switch (token.kind) {
            case Kind::Day:
                time.day = value;
                break;
            case Kind::Month:
                time.month = value;
                break;
            case Kind::Year:
                // Two digits: the century the lists' years fall in (1930 to 2029).
                time.year =
                    token.width == 2 && digits <= 2 ? (value < 30 ? 2000 : 1900) + value : value;
                break;
            case Kind::Hour24:
            case Kind::Hour12:
                time.hour = value;
                break;
            case Kind::Minute:
                time.minute = value;
                break;
            case Kind::Second:
                time.second = value;
                break;
            default:
                return false;
        }
    }
    return true;
}

// Text order as people read it: letters without regard to case (only those of ASCII: the
// bytes of other letters depend on the list's code page), else byte by byte.
int Folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

bool TextLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (Folded(a[i]) != Folded(b[i])) return Folded(a[i]) < Folded(b[i]);
    }
    return a.size() < b.size();
}

}  // namespace

std::optional<std::int64_t> DateKey(std::string_view text,
                                    const platform::RegionalSettings& settings) {
    platform::CivilTime time;
    time.hour = time.minute = time.second = 0;
    bool pm = false;
    bool hasAmPm = false;
    if (!Take(text, settings.shortDate, settings, time, pm, hasAmPm)) return std::nullopt;
    // The time is left out at midnight.
    if (!text.empty()) {
        if (text.front() != ' ') return std::nullopt;
        text.remove_prefix(1);
        if (!Take(text, settings.longTime, settings, time, pm, hasAmPm) || !text.empty())
            return std::nullopt;
        if (hasAmPm) time.hour = time.hour % 12 + (pm ? 12 : 0);
    }
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 ||
        time.minute > 59 || time.second > 59)
        return std::nullopt;
    return ((((std::int64_t{time.year} * 13 + time.month) * 32 + time.day) * 24 + time.hour) * 60 +
            time.minute) *
               60 +
           time.second;
}

std::int64_t SizeKey(std::string_view text) {
    std::int64_t value = -1;
    for (const char c : text) {
        if (IsDigit(c)) value = (value < 0 ? 0 : value) * 10 + (c - '0');
    }
    return value;
}

void FoundBatch::Add(std::size_t list, const ListedEntry& entry) {
    FoundEntry found;
    found.list = static_cast<std::uint32_t>(list);
    found.volume = Intern(entry.volume, lastVolume_, volumeIndex_);
    found.folder = Intern(entry.folder, lastFolder_, folderIndex_);
    found.isFolder = entry.isFolder;
    found.line = entry.line;
    // A batch is a few thousand entries, its block far below 4 GiB; a size or date text is
    // some tens of characters.
    found.at = static_cast<std::uint32_t>(chars.size());
    found.nameLength = static_cast<std::uint32_t>(entry.name.size());
    found.sizeLength = static_cast<std::uint16_t>(std::min<std::size_t>(entry.size.size(), 0xFFFF));
    found.dateLength = static_cast<std::uint16_t>(std::min<std::size_t>(entry.date.size(), 0xFFFF));
    chars.append(entry.name)
        .append(entry.size.substr(0, found.sizeLength))
        .append(entry.date.substr(0, found.dateLength));
    entries.push_back(found);
}

std::uint32_t FoundBatch::Intern(std::string_view text, std::string& last,
                                 std::uint32_t& lastIndex) {
    if (lastIndex == UINT32_MAX || text != last) {
        last.assign(text);
        lastIndex = static_cast<std::uint32_t>(texts.size());
        texts.emplace_back(text);
    }
    return lastIndex;
}

FindResults::FindResults(platform::RegionalSettings settings, QObject* parent)
    : QAbstractTableModel(parent), settings_(std::move(settings)) {}

void FindResults::Reset(const std::vector<std::string>& lists) {
    beginResetModel();
    lists_ = lists;
    texts_.clear();
    blocks_.clear();
    entries_.clear();
    order_.clear();
    endResetModel();
}

void FindResults::Append(FoundBatch&& batch) {
    if (batch.entries.empty()) return;
    const auto offset = static_cast<std::uint32_t>(texts_.size());
    for (auto& text : batch.texts) texts_.push_back(std::move(text));
    const auto block = static_cast<std::uint32_t>(blocks_.size());
    blocks_.push_back(std::move(batch.chars));
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(batch.entries.size()) - 1);
    for (auto& entry : batch.entries) {
        entry.volume += offset;
        entry.folder += offset;
        entry.block = block;
        order_.push_back(static_cast<std::uint32_t>(entries_.size()));
        entries_.push_back(entry);
    }
    endInsertRows();
}

void FindResults::Resort() {
    if (sortColumn_ >= 0) sort(sortColumn_, sortOrder_);
}

int FindResults::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int FindResults::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

std::string_view FindResults::NameText(const FoundEntry& entry) const {
    return std::string_view(blocks_[entry.block]).substr(entry.at, entry.nameLength);
}

std::string_view FindResults::SizeText(const FoundEntry& entry) const {
    return std::string_view(blocks_[entry.block])
        .substr(entry.at + entry.nameLength, entry.sizeLength);
}

std::string_view FindResults::DateText(const FoundEntry& entry) const {
    return std::string_view(blocks_[entry.block])
        .substr(std::size_t{entry.at} + entry.nameLength + entry.sizeLength, entry.dateLength);
}

QString FindResults::Text(const FoundEntry& entry, int column) const {
    switch (column) {
        case List:
            return QString::fromStdString(lists_[entry.list]);
        case Line:
            return QString::number(entry.line);
        case Volume:
            return Local(texts_[entry.volume]);
        case Folder:
            return Local(texts_[entry.folder]);
        case Name:
            return Local(NameText(entry));
        case Kind:
            return entry.isFolder ? QStringLiteral("folder") : QStringLiteral("file");
        case Size:
            return Local(SizeText(entry));
        case Date:
            return Local(DateText(entry));
        default:
            return {};
    }
}

QVariant FindResults::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const FoundEntry& entry = entries_[order_[static_cast<std::size_t>(index.row())]];
    if (role == Qt::DisplayRole) return Text(entry, index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Line || index.column() == Size))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FindResults::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeadings[] = {"List", "Line", "Volume", "Folder",
                                            "Name", "Kind", "Size",   "Date"};
    // A column is sorted upwards first, whichever way the one before was.
    if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal)
        return QVariant::fromValue(Qt::AscendingOrder);
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= ColumnCount) return {};
    return QString::fromLatin1(kHeadings[section]);
}

void FindResults::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) return;
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> oldOrder = order_;

    // Each row's key, worked out once: numbers for lines and sizes, dates as dates (a text
    // that is no date of these settings after all the dates, in text order), else the text.
    struct Key {
        std::int64_t number = 0;
        bool text = false;
    };
    std::vector<Key> keys(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const FoundEntry& e = entries_[i];
        if (column == Line) {
            keys[i].number = static_cast<std::int64_t>(e.line);
        } else if (column == Size) {
            keys[i].number = SizeKey(SizeText(e));
        } else if (column == Date) {
            const auto date = DateKey(DateText(e), settings_);
            keys[i] = date ? Key{*date, false} : Key{0, true};
        } else if (column == List) {
            keys[i].number = e.list;  // the lists in the order given
        } else {
            keys[i].text = true;
        }
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const Key& ka = keys[a];
        const Key& kb = keys[b];
        if (ka.text != kb.text) return kb.text;
        if (!ka.text) return ka.number < kb.number;
        const FoundEntry& ea = entries_[a];
        const FoundEntry& eb = entries_[b];
        switch (column) {
            case Volume:
                return TextLess(texts_[ea.volume], texts_[eb.volume]);
            case Folder:
                return TextLess(texts_[ea.folder], texts_[eb.folder]);
            case Name:
                return TextLess(NameText(ea), NameText(eb));
            case Kind:
                return ea.isFolder > eb.isFolder;  // folders first
            default:
                return TextLess(DateText(ea), DateText(eb));
        }
    };
    // Rows of equal keys stay in search order, whichever way the table is sorted.
    std::sort(order_.begin(), order_.end());
    if (order == Qt::AscendingOrder) {
        std::stable_sort(order_.begin(), order_.end(), less);
    } else {
        std::stable_sort(order_.begin(), order_.end(),
                         [&less](std::uint32_t a, std::uint32_t b) { return less(b, a); });
    }

    // The selection follows its rows.
    std::vector<int> rowOf(entries_.size());
    for (std::size_t row = 0; row < order_.size(); ++row)
        rowOf[order_[row]] = static_cast<int>(row);
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        after << this->index(rowOf[oldOrder[static_cast<std::size_t>(index.row())]],
                             index.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString FindResults::TabText(const std::vector<int>& rows) const {
    QString text;
    for (const int row : rows) {
        if (row < 0 || row >= rowCount()) continue;
        const FoundEntry& entry = entries_[order_[static_cast<std::size_t>(row)]];
        for (int column = 0; column < ColumnCount; ++column) {
            if (column > 0) text += QLatin1Char('\t');
            text += Text(entry, column);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

ListedEntry FindResults::Listed(const FoundEntry& entry) const {
    ListedEntry listed;
    listed.volume = texts_[entry.volume];
    listed.folder = texts_[entry.folder];
    listed.name = NameText(entry);
    listed.isFolder = entry.isFolder;
    listed.size = SizeText(entry);
    listed.date = DateText(entry);
    listed.line = entry.line;
    return listed;
}

std::string FindResults::Csv(std::string_view lineEnd) const {
    std::string out;
    catalogue::AppendMatchCsvHeader(out);
    out.append(lineEnd);
    for (const FoundEntry& entry : entries_) {
        catalogue::AppendMatchCsv(out, lists_[entry.list], Listed(entry));
        out.append(lineEnd);
    }
    return out;
}

}  // namespace dirscribe::ui
