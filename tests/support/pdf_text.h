#pragma once
// A printed PDF read back with Poppler, as words with their boxes in points from
// the page's top left corner.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <vector>

namespace scandeck::testing {

struct PdfWord {
  QString text;
  double x = 0, y = 0, right = 0, bottom = 0;
  int page = 0;
};

struct PdfText {
  bool ok = false;  // false: Poppler is missing or the file is not a PDF
  int pages = 0;
  std::vector<PdfWord> words;
  QString fonts;  // pdffonts' table

  // The first word `text` on `page`, or nullptr.
  const PdfWord* find(const QString& text, int page = 1) const {
    for (const PdfWord& w : words)
      if (w.text == text && w.page == page) return &w;
    return nullptr;
  }
};

inline bool HavePoppler() {
  return !QStandardPaths::findExecutable("pdftotext").isEmpty() && !QStandardPaths::findExecutable("pdffonts").isEmpty();
}

inline QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(20000);
  return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

inline PdfText ReadPdf(const QString& file) {
  PdfText pdf;
  const QString html = Run("pdftotext", {"-bbox", file, "-"});
  if (html.isEmpty()) return pdf;
  pdf.ok = true;
  static const QRegularExpression tag(
      R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(0).startsWith("<page")) {
      ++pdf.pages;
      continue;
    }
    QString text = m.captured(5);
    text.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
    pdf.words.push_back({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                         m.captured(4).toDouble(), pdf.pages});
  }
  pdf.fonts = Run("pdffonts", {file});
  return pdf;
}

// Page `page` of a PDF as a grey picture at 50 dots per inch (written next to `stem`).
inline QImage PdfPage(const QString& file, int page, const std::string& stem) {
  const QString n = QString::number(page), out = QString::fromStdString(stem) + n;
  Run("pdftoppm", {"-r", "50", "-gray", "-f", n, "-l", n, "-singlefile", file, out});
  return QImage(out + ".pgm").convertToFormat(QImage::Format_Grayscale8);
}

inline int DarkPixels(const QImage& image) {
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
  return dark;
}

// Pixels whose grey differs by more than a quarter of the scale: antialiasing
// aside, what differs between two renderings of a page.
inline int DifferentPixels(const QImage& a, const QImage& b) {
  int different = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) different += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64;
  return different;
}

}  // namespace scandeck::testing
