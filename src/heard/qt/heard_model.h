#pragma once
// The Heard list as a table for a QTableView, with the directories' names and types
// looked up on each paint, so a renamed entry shows at once.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <cstddef>
#include <functional>
#include <string>

#include "heard/core/heard_names.h"

namespace scandeck {

// The kept recordings of a row, as call recording counts them.
struct RowRecordings {
  std::size_t count = 0;
  std::string lastFile;  // full path of the newest
};
using RecordingsOf = std::function<RowRecordings(const HeardKey&)>;

class HeardModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Kind, Place, Number, Name, Type, Hits, First, Last, ActiveTime, ActiveNow, Alert, Recordings, kColumns };
  // Sort and filter keys: numbers and times as numbers, not as their texts.
  static constexpr int kSortRole = Qt::UserRole;
  static constexpr int kUnnamedRole = Qt::UserRole + 1;
  static constexpr int kKindRole = Qt::UserRole + 2;

  HeardModel(const HeardList& list, const FreqDirectory& channels, const IdDirectory& talkgroups,
             const AlertMarks& marks, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // After a tick or a rename: new rows are inserted, the others repainted in place.
  void refresh();
  const HeardRow* row(int n) const;
  // Where the Recordings column's numbers come from; without it the column stays empty.
  void setRecordings(RecordingsOf recordings) { recordings_ = std::move(recordings); }
  RowRecordings recordings(const HeardRow& row) const { return recordings_ ? recordings_(row.key) : RowRecordings{}; }

 private:
  const HeardList& list_;
  const FreqDirectory& channels_;
  const IdDirectory& talkgroups_;
  const AlertMarks& marks_;
  RecordingsOf recordings_;
  int shown_rows_ = 0;
};

class HeardFilter final : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void setFilters(bool unnamed_only, bool channels, bool talkgroups, const QString& text);

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

 private:
  bool unnamed_only_ = false;
  bool channels_ = true;
  bool talkgroups_ = true;
  QString text_;
};

}  // namespace scandeck
