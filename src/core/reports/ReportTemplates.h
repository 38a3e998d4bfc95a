#pragma once
// The report template set of one template family and archive class: the
// item list and the header, body and footer templates with their fonts, as
// text files (Windows-1251, CR LF) in the print folder ДАННЫЕ/ПЕЧАТЬ:
//   ФОРМАТЫ_<family>.txt                          item list, one item a line
//   ВЕРХ_СУТ_<family>.txt, ОСНОВА_СУТ_, НИЗ_СУТ_  daily header, body, footer
//   ВЕРХ_ЧАС_<family>.txt, ОСНОВА_ЧАС_, НИЗ_ЧАС_  the same for hourly kinds
// The first line of a template file holds its font:
//   "Name=" name TAB "Size=" size TAB ["Bold" TAB] ["Italic" TAB]

#include <QString>
#include <QStringList>

namespace omi {

// Font sizes outside this range are held to it, so that no template can ask
// the painter for a font it cannot lay out.
inline constexpr int kTemplateFontMinSize = 1;
inline constexpr int kTemplateFontMaxSize = 200;

struct TemplateFont {
    QString name = QStringLiteral("MS Sans Serif");
    int size = 8;
    bool bold = false;
    bool italic = false;
    bool operator==(const TemplateFont&) const = default;
};

struct TemplateMemo {
    QStringList lines;
    TemplateFont font;
};

enum class TemplatePart { Header = 0, Body = 1, Footer = 2 };

struct TemplateSet {
    QStringList items;
    TemplateMemo header;
    TemplateMemo body;
    TemplateMemo footer;

    TemplateMemo& Part(TemplatePart part);
    const TemplateMemo& Part(TemplatePart part) const;
};

// The folder of the templates: ДАННЫЕ/ПЕЧАТЬ.
QString PrintFolder();

// File names (without folder) of a family: the item list and the class's
// header, body and footer.
QString ItemListFileName(const QString& family);
QString TemplateFileName(TemplatePart part, const QString& family, bool hourly);

// The font line of a font, as written before a template's first line.
QString FontLine(const TemplateFont& font);
// When the first line holds "=" and a tab: the font name between them, then
// the size from the rest ("=" and a tab again; 8 when not a number), "Bold"
// and "Italic" anywhere in the rest switch those on (never off); the line is
// removed. Returns whether it was a font line.
bool TakeFontLine(QStringList& lines, TemplateFont& font);

// The memos' start texts and the built-in item list.
TemplateMemo BuiltInHeader();
TemplateMemo BuiltInBody();
TemplateMemo BuiltInFooter();
TemplateSet BuiltInTemplateSet(const QString& family);

// A set whose header and body fit the family's item numbers and the class:
// the built-in header with the family's archive name, system and range items,
// and a body with one column per value of the family's archive table. A new
// data folder prints with it until the user saves templates of his own.
TemplateSet StandardTemplateSet(const QString& family, bool hourly);
// Whether a body is the built-in one or one of the standard bodies (not
// edited by the user).
bool IsStandardBody(const QStringList& lines);

// Loads a family's set for a class from folder into set: the item list from
// its file, or the family's defaults when the file is missing or does not
// hold exactly the family's number of items; each template only when its
// file can be read (a missing file keeps the text set holds), its font line
// taken off.
void LoadTemplateSet(const QString& folder, const QString& family, bool hourly, TemplateSet& set);

// Writes the item list and the class's three templates (each with its font
// line first), every file complete or not at all. Returns the messages of the
// files that could not be written, empty on success.
QString SaveTemplateSet(const QString& folder, const QString& family, bool hourly, const TemplateSet& set);

}  // namespace omi
