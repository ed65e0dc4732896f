#include "print/core/list_page.h"

#include "common/core/contact.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"

namespace scandeck {

namespace {

// A printer prints nothing for a NUL, so the never-written parts of a record
// neither print nor take room.
std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\0') out += c;
  return out;
}

bool AllNul(std::string_view text, std::size_t count) {
  return text.size() == count && text.find_first_not_of('\0') == std::string_view::npos;
}

constexpr int kLeft = 0, kCentred = 1, kRight = 2;
constexpr int kSameLine = 1, kNextLine = 0;
constexpr int kBold = 1;

}  // namespace

void PageWriter::PrintItem(std::string_view text, int size, int style, int position, int spacing) {
  const PrintFont font{size, style};
  const std::string printed = Printable(text);
  const int width = metrics_.textWidth(printed, font);
  const int line = metrics_.lineHeight(font);
  switch (position) {
    case kLeft: x_ = 0; break;
    case kCentred: x_ = kPrintCentreTwips - width / 2; break;
    case kRight: x_ = kPrintWidthTwips - width; break;
    default: x_ = position;
  }
  if (!printed.empty()) page_.texts.push_back({printed, font, x_, y_});
  x_ = 0;
  y_ += line;
  if (spacing == kSameLine) y_ -= line;
  else y_ += spacing;
}

void PageWriter::PrintRule(int top, int length, int extra) {
  for (int i = 0; i <= extra; ++i)
    page_.lines.push_back({kPrintCentreTwips - length / 2, kPrintCentreTwips + length / 2, top + i});
  x_ = kPrintCentreTwips + length / 2;
  y_ = top + extra;
}

void PrintHeader(PageWriter& pen, const PageHeader& header) {
  pen.PrintRule(1900, 11500, 50);
  pen.PrintRule(2000, 11300, 20);
  pen.setX(0);
  pen.moveDown(75);
  pen.PrintItem(contact::kAuthorCredit, 14, kBold, kRight, kSameLine);
  pen.PrintItem(header.date + "  " + header.time.substr(0, 5), 18, kBold, kCentred, kSameLine);
  pen.PrintItem(contact::kProgramTitle, 14, kBold, kLeft, kNextLine);
  pen.PrintItem(contact::kWebAddress, 12, kBold, kLeft, kSameLine);
  pen.PrintItem(header.user_name, 18, kBold, kCentred, kSameLine);
  pen.PrintItem(contact::kAuthorMailAddress, 12, kBold, kRight, kNextLine);
  pen.PrintRule(2900, 11300, 20);
  pen.PrintRule(3000, 11500, 50);
  pen.moveDown(350);
}

ListPage FreqBankPage(const FreqDirectory& channels, int bank, const PageHeader& header, PageMetrics& metrics) {
  PageWriter pen(metrics);
  PrintHeader(pen, header);
  pen.PrintItem("Freq Bank " + std::to_string(bank), 24, kBold, kCentred, kNextLine);
  pen.moveDown(350);
  for (int k = kChannelsPerBank * bank - (kChannelsPerBank - 1); k <= kChannelsPerBank * bank; ++k) {
    const FreqChannel& ch = channels[k];
    pen.PrintItem("Ch " + std::to_string(ch.channel), 11, kBold, 1300, kSameLine);
    pen.PrintItem(ch.frequency + " MHz", 11, kBold, 2400, kSameLine);
    pen.PrintItem(ch.mode, 11, kBold, 4300, kSameLine);
    pen.PrintItem(ch.type, 11, kBold, 5500, kSameLine);
    pen.PrintItem(ch.name, 11, kBold, 6400, kNextLine);
  }
  return pen.take();
}

ListPage IdBankPage(const IdDirectory& ids, int bank, int id_bank, const PageHeader& header, PageMetrics& metrics) {
  PageWriter pen(metrics);
  PrintHeader(pen, header);
  pen.PrintItem("Freq Bank " + std::to_string(bank), 20, kBold, kCentred, 100);
  pen.PrintItem("ID Bank " + std::to_string(id_bank), 24, kBold, kCentred, kNextLine);
  pen.moveDown(350);
  for (int e = IdEntryIndex(id_bank, 1); e <= IdEntryIndex(id_bank, kIdsPerIdBank); ++e) {
    const IdEntry& entry = ids.at(bank, e);
    pen.PrintItem("Ch " + entry.channel, 12, kBold, 1300, kSameLine);
    if (!AllNul(entry.id, 6)) pen.PrintItem(entry.id, 12, kBold, 2400, kSameLine);
    if (!AllNul(entry.type, 3)) pen.PrintItem(entry.type, 12, kBold, 3600, kSameLine);
    if (AllNul(entry.name, 40)) pen.PrintItem("", 12, kBold, 3500, kNextLine);
    else pen.PrintItem(entry.name, 12, kBold, 4500, kNextLine);
  }
  return pen.take();
}

}  // namespace scandeck
