#include "labels/TemplateCatalog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Labels {

namespace {

// Larger than any sheet or roll glabels-data knows (10 m), so that a wrong file cannot ask
// for absurd pages.
constexpr double kMaxLength = 10000 * kPointsPerMm;
constexpr int kMaxAcross = 1000;
constexpr int kMaxLabelsPerSheet = 100000;

struct Unit {
    QLatin1StringView suffix;
    double points;
};
constexpr Unit kUnits[] = {{QLatin1StringView("mm"), kPointsPerMm},
                           {QLatin1StringView("cm"), 10 * kPointsPerMm},
                           {QLatin1StringView("in"), 72.0},
                           {QLatin1StringView("pt"), 1.0}};

// The attributes of an element; reports the first length that is missing or wrong.
class Attributes {
  public:
    explicit Attributes(const QXmlStreamAttributes& attributes) : attributes_(attributes) {}

    QString text(QLatin1StringView name) const { return attributes_.value(name).toString(); }
    bool has(QLatin1StringView name) const { return attributes_.hasAttribute(name); }

    double length(QLatin1StringView name, std::optional<double> fallback = std::nullopt) {
        if (!attributes_.hasAttribute(name)) {
            if (!fallback) fail(QStringLiteral("no %1").arg(name));
            return fallback.value_or(0);
        }
        const auto points = pointsOf(attributes_.value(name));
        if (!points || *points > kMaxLength) {
            fail(QStringLiteral("%1=\"%2\" is not a length").arg(name, text(name)));
            return 0;
        }
        return *points;
    }
    int count(QLatin1StringView name) {
        bool ok = false;
        const int value = attributes_.value(name).toInt(&ok);
        if (ok && value >= 1 && value <= kMaxAcross) return value;
        fail(QStringLiteral("%1=\"%2\" is not a count from 1 to %3")
                 .arg(name, text(name))
                 .arg(kMaxAcross));
        return 1;
    }
    const std::optional<QString>& problem() const { return problem_; }

  private:
    void fail(const QString& problem) {
        if (!problem_) problem_ = problem;
    }
    const QXmlStreamAttributes attributes_;
    std::optional<QString> problem_;
};

// The label element's shape and size; the reason when it has none.
std::optional<QString> readShape(QXmlStreamReader& xml, LabelTemplate& label) {
    const auto element = xml.name();
    Attributes attributes(xml.attributes());
    if (element == u"Label-rectangle") {
        label.shape = LabelTemplate::Shape::Rectangle;
        label.label = {attributes.length(QLatin1StringView("width")),
                       attributes.length(QLatin1StringView("height"))};
        label.corner = attributes.length(QLatin1StringView("round"), 0.0);
    } else if (element == u"Label-round") {
        label.shape = LabelTemplate::Shape::Round;
        const double radius = attributes.length(QLatin1StringView("radius"));
        label.label = {2 * radius, 2 * radius};
    } else if (element == u"Label-ellipse") {
        label.shape = LabelTemplate::Shape::Ellipse;
        label.label = {attributes.length(QLatin1StringView("width")),
                       attributes.length(QLatin1StringView("height"))};
    } else { // Label-cd; a business-card CD is cut to width and height
        label.shape = LabelTemplate::Shape::Cd;
        const double radius = attributes.length(QLatin1StringView("radius"));
        label.hole = attributes.length(QLatin1StringView("hole"));
        label.label = {attributes.length(QLatin1StringView("width"), 2 * radius),
                       attributes.length(QLatin1StringView("height"), 2 * radius)};
        if (label.hole >= radius) return QStringLiteral("the hole is larger than the label");
    }
    if (attributes.problem()) return attributes.problem();
    if (label.label.width() <= 0 || label.label.height() <= 0)
        return QStringLiteral("the label has no size");
    return std::nullopt;
}

// Reads the label element's children: the markup margin and the layouts.
std::optional<QString> readLabelContent(QXmlStreamReader& xml, LabelTemplate& label) {
    while (xml.readNextStartElement()) {
        Attributes attributes(xml.attributes());
        if (xml.name() == u"Markup-margin") {
            label.markMargin = attributes.length(QLatin1StringView("size"));
        } else if (xml.name() == u"Layout") {
            Layout layout;
            layout.nx = attributes.count(QLatin1StringView("nx"));
            layout.ny = attributes.count(QLatin1StringView("ny"));
            layout.x0 = attributes.length(QLatin1StringView("x0"), 0.0);
            layout.y0 = attributes.length(QLatin1StringView("y0"), 0.0);
            layout.dx = attributes.length(QLatin1StringView("dx"), 0.0);
            layout.dy = attributes.length(QLatin1StringView("dy"), 0.0);
            label.layouts << layout;
        }
        if (attributes.problem()) return attributes.problem();
        xml.skipCurrentElement();
    }
    return std::nullopt;
}

std::optional<QString> readTemplate(QXmlStreamReader& xml, const PaperSizes& papers,
                                    LabelTemplate& label) {
    Attributes attributes(xml.attributes());
    label.brand = attributes.text(QLatin1StringView("brand")).simplified();
    label.part = attributes.text(QLatin1StringView("part")).simplified();
    label.description = attributes.has(QLatin1StringView("_description"))
                            ? attributes.text(QLatin1StringView("_description"))
                            : attributes.text(QLatin1StringView("description"));
    label.equivalentOf = attributes.text(QLatin1StringView("equiv")).simplified();
    if (label.brand.isEmpty() || label.part.isEmpty()) {
        xml.skipCurrentElement();
        return QStringLiteral("a template without brand or part");
    }
    if (!label.equivalentOf.isEmpty()) {
        xml.skipCurrentElement();
        return std::nullopt;
    }
    label.paperName = attributes.text(QLatin1StringView("size"));
    if (label.paperName == u"Other")
        label.paper = {attributes.length(QLatin1StringView("width")),
                       attributes.length(QLatin1StringView("height"))};
    else if (papers.contains(label.paperName))
        label.paper = papers.value(label.paperName);
    std::optional<QString> problem = attributes.problem();
    if (!problem && label.paper.isEmpty())
        problem = QStringLiteral("unknown paper size \"%1\"").arg(label.paperName);
    bool shaped = false;
    while (xml.readNextStartElement()) {
        if (!problem && !shaped && xml.name().startsWith(u"Label-")) {
            shaped = true;
            problem = readShape(xml, label);
            if (!problem)
                problem = readLabelContent(xml, label);
            else
                xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!problem && !shaped) problem = QStringLiteral("no label shape");
    if (!problem && label.layouts.isEmpty()) problem = QStringLiteral("no layout");
    if (!problem && label.labelsPerSheet() > kMaxLabelsPerSheet)
        problem = QStringLiteral("more than %1 labels per sheet").arg(kMaxLabelsPerSheet);
    if (problem) *problem = label.name() + QStringLiteral(": ") + *problem;
    return problem;
}

QString key(const QString& name) {
    return name.simplified().toCaseFolded();
}

// Edit distance, the strings cut short: suggestions need no more.
int distance(QStringView a, QStringView b) {
    a = a.first(std::min<qsizetype>(a.size(), 64));
    b = b.first(std::min<qsizetype>(b.size(), 64));
    std::vector<int> row(static_cast<size_t>(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[static_cast<size_t>(j)];
            row[static_cast<size_t>(j)] = std::min({above + 1, row[static_cast<size_t>(j - 1)] + 1,
                                                    diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

std::optional<double> pointsOf(QStringView text) {
    text = text.trimmed();
    double perUnit = 1.0;
    for (const Unit& unit : kUnits)
        if (text.endsWith(unit.suffix, Qt::CaseInsensitive)) {
            perUnit = unit.points;
            text.chop(unit.suffix.size());
            break;
        }
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < 0) return std::nullopt;
    return number * perUnit;
}

int LabelTemplate::labelsPerSheet() const {
    int count = 0;
    for (const Layout& layout : layouts)
        count += layout.nx * layout.ny;
    return count;
}

QString LabelTemplate::shapeName() const {
    switch (shape) {
    case Shape::Round:
        return QStringLiteral("round");
    case Shape::Ellipse:
        return QStringLiteral("elliptical");
    case Shape::Cd:
        return QStringLiteral("CD");
    case Shape::Rectangle:
        break;
    }
    return QStringLiteral("rectangular");
}

PaperSizes readPaperSizes(QIODevice& device) {
    PaperSizes papers;
    QXmlStreamReader xml(&device);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Paper-size")
            continue;
        Attributes attributes(xml.attributes());
        const QSizeF size(attributes.length(QLatin1StringView("width")),
                          attributes.length(QLatin1StringView("height")));
        if (!attributes.problem() && !size.isEmpty())
            papers.insert(attributes.text(QLatin1StringView("id")), size);
    }
    return papers;
}

TemplateFile readTemplates(QIODevice& device, const PaperSizes& papers) {
    TemplateFile file;
    QXmlStreamReader xml(&device);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Template") continue;
        LabelTemplate label;
        if (const auto problem = readTemplate(xml, papers, label))
            file.problems << *problem;
        else
            file.templates << label;
    }
    if (xml.hasError())
        file.problems << QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return file;
}

QStringList TemplateCatalog::defaultFolders() {
    const QString chosen = qEnvironmentVariable("BARCODE_DESK_LABEL_TEMPLATES");
    if (!chosen.isEmpty()) return {chosen};
    QStringList folders;
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir(data).filePath(QStringLiteral("libglabels-3.0/templates"));
    // Where Debian puts them, also for a session whose XDG_DATA_DIRS leaves /usr/share out.
    const QString debian = QStringLiteral("/usr/share/libglabels-3.0/templates");
    if (!folders.contains(debian)) folders << debian;
    return folders;
}

std::optional<QString> TemplateCatalog::load(const QStringList& folders) {
    for (const QString& folder : folders) {
        QFile paperFile(QDir(folder).filePath(QStringLiteral("paper-sizes.xml")));
        if (!paperFile.open(QIODevice::ReadOnly)) continue;
        papers_ = readPaperSizes(paperFile);
        const QStringList files =
            QDir(folder).entryList({QStringLiteral("*templates.xml")}, QDir::Files, QDir::Name);
        for (const QString& name : files) {
            QFile file(QDir(folder).filePath(name));
            if (file.open(QIODevice::ReadOnly)) add(readTemplates(file, papers_).templates);
        }
        resolveAliases();
        if (!templates_.isEmpty()) return std::nullopt;
    }
    return QStringLiteral("No label templates in %1; they come with the package glabels-data.")
        .arg(folders.join(QStringLiteral(", ")));
}

std::variant<QList<LabelTemplate>, QString> TemplateCatalog::loadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    TemplateFile read = readTemplates(file, papers_);
    if (read.templates.isEmpty())
        return QStringLiteral("%1 has no usable label template%2")
            .arg(path)
            .arg(read.problems.isEmpty() ? QString()
                                         : QStringLiteral(": ") + read.problems.join(u"; "));
    QStringList names;
    for (const LabelTemplate& label : read.templates)
        names << key(label.name());
    add(read.templates);
    resolveAliases();
    QList<LabelTemplate> added;
    for (const QString& name : names)
        if (const LabelTemplate* label = find(name)) added << *label;
    if (added.isEmpty()) return QStringLiteral("%1: its aliases name no known template").arg(path);
    return added;
}

void TemplateCatalog::add(QList<LabelTemplate> templates) {
    for (LabelTemplate& label : templates) {
        const QString name = key(label.name());
        if (const auto found = byName_.constFind(name); found != byName_.cend()) {
            templates_[*found] = std::move(label); // a later file's template wins
        } else {
            byName_.insert(name, templates_.size());
            templates_ << std::move(label);
        }
    }
}

void TemplateCatalog::resolveAliases() {
    // An alias of an alias takes the geometry once its original has it.
    for (int round = 0; round < 4; ++round)
        for (LabelTemplate& label : templates_) {
            if (label.equivalentOf.isEmpty() || !label.layouts.isEmpty()) continue;
            const auto found = byName_.constFind(key(label.brand + u' ' + label.equivalentOf));
            if (found == byName_.cend() || templates_[*found].layouts.isEmpty()) continue;
            const LabelTemplate& original = templates_[*found];
            LabelTemplate resolved = original;
            resolved.brand = label.brand;
            resolved.part = label.part;
            resolved.equivalentOf = original.name();
            if (!label.description.isEmpty()) resolved.description = label.description;
            label = resolved;
        }
}

const LabelTemplate* TemplateCatalog::find(const QString& name) const {
    const QString wanted = key(name);
    const auto usable = [&](qsizetype index) {
        const LabelTemplate& label = templates_[index];
        return label.layouts.isEmpty() ? nullptr : &label;
    };
    if (const auto found = byName_.constFind(wanted); found != byName_.cend())
        return usable(*found);
    const LabelTemplate* only = nullptr;
    for (qsizetype i = 0; i < templates_.size(); ++i)
        if (key(templates_[i].part) == wanted) {
            if (only) return nullptr; // several brands have it: the brand decides
            only = usable(i);
        }
    return only;
}

QList<const LabelTemplate*> TemplateCatalog::search(const QString& words) const {
    const QStringList wanted = words.split(u' ', Qt::SkipEmptyParts);
    QList<const LabelTemplate*> found;
    for (const LabelTemplate& label : templates_) {
        if (label.layouts.isEmpty()) continue;
        const QString text = label.name() + u' ' + label.description;
        if (std::all_of(wanted.begin(), wanted.end(), [&](const QString& word) {
                return text.contains(word, Qt::CaseInsensitive);
            }))
            found << &label;
    }
    return found;
}

QStringList TemplateCatalog::suggestions(const QString& name, int count) const {
    const QString wanted = key(name);
    std::vector<std::pair<int, QString>> scored;
    for (const LabelTemplate& label : templates_) {
        if (label.layouts.isEmpty()) continue;
        const int score =
            std::min(distance(wanted, key(label.name())), distance(wanted, key(label.part)));
        scored.emplace_back(score, label.name());
    }
    const size_t kept = std::min(scored.size(), static_cast<size_t>(std::max(count, 0)));
    std::partial_sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(kept),
                      scored.end());
    QStringList names;
    for (size_t i = 0; i < kept; ++i)
        names << scored[i].second;
    return names;
}

} // namespace Labels
