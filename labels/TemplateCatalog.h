#pragma once

#include <QHash>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

class QIODevice;

namespace Labels {

// A length as glabels-data writes it ("63.5mm", "2.625in", "9pt", "1.2cm"; a bare number is in
// points), in points; nullopt for anything else, negative and non-finite lengths included.
std::optional<double> pointsOf(QStringView text);

inline constexpr double kPointsPerMm = 72.0 / 25.4;

// One way the labels stand on the sheet: nx by ny labels, the first with its top left corner at
// (x0, y0), the others dx and dy apart. In points, from the paper's top left corner.
struct Layout {
    int nx = 1, ny = 1;
    double x0 = 0, y0 = 0, dx = 0, dy = 0;
};

// A label product's geometry, every length in points.
struct LabelTemplate {
    enum class Shape { Rectangle, Round, Ellipse, Cd };

    QString brand, part, description;
    QString paperName; // as paper-sizes.xml names it, or "Other"
    QSizeF paper;
    Shape shape = Shape::Rectangle;
    QSizeF label;          // the label's bounding box
    double corner = 0;     // the rectangle's corner radius
    double hole = 0;       // a CD label's hole radius
    double markMargin = 0; // the printable part keeps this far from the edge
    QList<Layout> layouts;
    QString equivalentOf; // the part whose geometry this alias takes, empty for an original

    QString name() const { return brand + u' ' + part; }
    int labelsPerSheet() const;
    QString shapeName() const;
};

// The paper sizes of paper-sizes.xml by id, in points.
using PaperSizes = QHash<QString, QSizeF>;
PaperSizes readPaperSizes(QIODevice& device);

// The templates of one glabels-data file. An alias (equiv) comes as a template whose geometry
// is still missing: TemplateCatalog resolves it. Templates that cannot be used (an unknown
// paper, a missing length) are left out with a line in `problems`.
struct TemplateFile {
    QList<LabelTemplate> templates;
    QStringList problems;
};
TemplateFile readTemplates(QIODevice& device, const PaperSizes& papers);

// Every label product glabels-data describes, read at run time from its folder.
class TemplateCatalog {
  public:
    // Where the templates are looked for: BARCODE_DESK_LABEL_TEMPLATES when set, else
    // libglabels-3.0/templates in the system's shared data folders.
    static QStringList defaultFolders();

    // Reads paper-sizes.xml and every *templates.xml of the first folder that has them; the
    // reason when none does.
    std::optional<QString> load(const QStringList& folders = defaultFolders());
    // Adds the templates of one file, e.g. a template file given by path; its problems, or
    // why it cannot be read.
    std::variant<QList<LabelTemplate>, QString> loadFile(const QString& path);

    const QList<LabelTemplate>& templates() const { return templates_; }
    // The paper sizes the templates name, for the templates inside label designs.
    const PaperSizes& papers() const { return papers_; }

    // "Avery L7160", "avery l7160" or, when only one brand has it, "L7160"; aliases come with
    // the geometry of their original.
    const LabelTemplate* find(const QString& name) const;
    // Templates whose brand, part or description contain every word, in catalog order.
    QList<const LabelTemplate*> search(const QString& words) const;
    // The names closest to an unknown one, nearest first.
    QStringList suggestions(const QString& name, int count = 5) const;

  private:
    void add(QList<LabelTemplate> templates);
    void resolveAliases();

    PaperSizes papers_;
    QList<LabelTemplate> templates_;
    QHash<QString, qsizetype> byName_; // lower-case name
};

} // namespace Labels
