#pragma once

// Layout data of a banded report: page set-up, the five bands and their labels and text fields.
// Every position and size is in twips (1/1440 inch). A layout is a plain value: each run copies
// a fresh one, so a format changed for one run never reaches the next.

#include <QString>

#include <array>
#include <vector>

namespace qd::reports {

enum class ControlKind { Label, TextField };
enum class Alignment { Left, Centre };

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double points = 8.25;
    int weight = 400;
    bool italic = false;
};

struct ReportControl {
    QString name;
    ControlKind kind = ControlKind::Label;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    QString caption;    // labels
    QString dataField;  // text fields: the column shown, matched by name
    QString format;     // text fields: the number or date format; empty is general
    Alignment alignment = Alignment::Left;
    ReportFont font;

    // DataFormat's Format: replaces the format of this field, which stays custom.
    void setFormat(const QString& formatText) { format = formatText; }
};

// The bands in the order they are printed.
enum class BandRole { ReportHeader, PageHeader, Detail, PageFooter, ReportFooter };

struct Section {
    QString name;
    BandRole role = BandRole::Detail;
    int height = 0;
    std::vector<ReportControl> controls;

    // A control by name; an error naming it when the band has none of that name.
    ReportControl& control(const QString& controlName);
    const ReportControl& control(const QString& controlName) const;
};

struct PageSetup {
    int reportWidth = 0;
    int leftMargin = 1440;
    int rightMargin = 1440;
    int topMargin = 1440;
    int bottomMargin = 1440;
};

struct ReportLayout {
    QString name;
    PageSetup page;
    std::array<Section, 5> sections;  // indexed by BandRole

    Section& band(BandRole role) { return sections[size_t(role)]; }
    const Section& band(BandRole role) const { return sections[size_t(role)]; }
    // A band by its name ("Section1" ...); an error when there is none.
    Section& section(const QString& sectionName);
    const Section& section(const QString& sectionName) const;
    // The report's own title, as its report header prints it ("Total Price of Orders"): the
    // caption of the header's first label; the layout's name when the header has none.
    QString title() const;
};

// The five bands with the names every layout of the program uses: Section4 report header,
// Section2 page header, Section1 detail, Section3 page footer, Section5 report footer.
ReportLayout emptyLayout(const QString& name, const PageSetup& page);

}  // namespace qd::reports
