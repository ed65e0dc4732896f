#include "heard/qt/heard_model.h"

#include <QDateTime>

#include "common/qt/qt_text.h"

namespace scandeck {

namespace {
QString Duration(Millis time) {
  const long long s = time.count() / 1000;
  return QString("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
}
}  // namespace

HeardModel::HeardModel(const HeardList& list, const FreqDirectory& channels, const IdDirectory& talkgroups,
                       const AlertMarks& marks, QObject* parent)
    : QAbstractTableModel(parent), list_(list), channels_(channels), talkgroups_(talkgroups), marks_(marks) {
  shown_rows_ = static_cast<int>(list_.rows().size());
}

int HeardModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_rows_; }
int HeardModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

const HeardRow* HeardModel::row(int n) const {
  return n >= 0 && n < shown_rows_ ? &list_.rows()[static_cast<std::size_t>(n)] : nullptr;
}

void HeardModel::refresh() {
  const int now = static_cast<int>(list_.rows().size());
  if (now > shown_rows_) {
    beginInsertRows({}, shown_rows_, now - 1);
    shown_rows_ = now;
    endInsertRows();
  }
  if (shown_rows_ > 0) emit dataChanged(index(0, 0), index(shown_rows_ - 1, kColumns - 1));
}

QVariant HeardModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kCaptions[kColumns] = {"Kind", "Channel / Bank", "Frequency / ID", "Name", "Type", "Hits",
                                                  "First heard", "Last heard", "Active time", "Active now", "Alert", "Recordings"};
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
    return QString(kCaptions[section]);
  return QAbstractTableModel::headerData(section, orientation, role);
}

QVariant HeardModel::data(const QModelIndex& index, int role) const {
  const HeardRow* r = row(index.row());
  if (!r) return {};
  const bool channel = r->key.kind == HeardKind::Channel;
  const HeardEntry entry = LookUp(r->key, channels_, talkgroups_);
  if (role == kUnnamedRole) return entry.name.empty();
  if (role == kKindRole) return channel;
  if (role == Qt::TextAlignmentRole &&
      ((index.column() >= Hits && index.column() <= ActiveTime) || index.column() == Recordings))
    return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != kSortRole) return {};
  const bool sort = role == kSortRole;
  switch (index.column()) {
    case Kind: return channel ? QString("Channel") : QString("Talkgroup");
    case Place:
      if (channel) {
        if (sort) return entry.number;
        return entry.number ? QString::number(entry.number) : QString();
      }
      if (sort) return ToQt(r->key.bank).toInt();
      return r->key.bank.empty() ? QString("?") : ToQt(r->key.bank);
    case Number: return ToQt(r->key.id);
    case Name: return ToQt(entry.name);
    case Type: return ToQt(entry.type);
    case Hits: return sort ? QVariant(qlonglong(r->hits)) : QVariant(QString::number(r->hits));
    case First:
    case Last: {
      const Millis at = index.column() == First ? r->first : list_.lastHeard(*r);
      if (sort) return qlonglong(at.count());
      return QDateTime::fromMSecsSinceEpoch(list_.epochOf(at)).toString("yyyy-MM-dd HH:mm:ss");
    }
    case ActiveTime: return sort ? QVariant(qlonglong(list_.activeTime(*r).count())) : QVariant(Duration(list_.activeTime(*r)));
    case ActiveNow: return r->active ? QString("Yes") : QString("No");
    case Alert: return marks_.marked(r->key) ? QString("Alert") : QString();
    case Recordings: {
      const std::size_t count = recordings(*r).count;
      if (sort) return qulonglong(count);
      return count ? QString::number(count) : QString();
    }
  }
  return {};
}

void HeardFilter::setFilters(bool unnamed_only, bool channels, bool talkgroups, const QString& text) {
  unnamed_only_ = unnamed_only;
  channels_ = channels;
  talkgroups_ = talkgroups;
  text_ = text.trimmed();
  invalidateFilter();
}

bool HeardFilter::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
  const QAbstractItemModel* model = sourceModel();
  const QModelIndex first = model->index(source_row, 0, source_parent);
  const bool channel = model->data(first, HeardModel::kKindRole).toBool();
  if (channel ? !channels_ : !talkgroups_) return false;
  if (unnamed_only_ && !model->data(first, HeardModel::kUnnamedRole).toBool()) return false;
  if (text_.isEmpty()) return true;
  for (int column : {HeardModel::Place, HeardModel::Number, HeardModel::Name, HeardModel::Type})
    if (model->data(model->index(source_row, column, source_parent)).toString().contains(text_, Qt::CaseInsensitive))
      return true;
  return false;
}

}  // namespace scandeck
