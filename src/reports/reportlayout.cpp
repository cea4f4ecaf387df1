#include "reports/reportlayout.h"

#include "core/error.h"

namespace qd::reports {

namespace {

template <class SectionT>
auto& findControl(SectionT& section, const QString& controlName) {
    for (auto& c : section.controls)
        if (c.name.compare(controlName, Qt::CaseInsensitive) == 0) return c;
    throw Error(QStringLiteral("Control '%1' not found in %2").arg(controlName, section.name),
                8709);
}

template <class LayoutT>
auto& findSection(LayoutT& layout, const QString& sectionName) {
    for (auto& s : layout.sections)
        if (s.name.compare(sectionName, Qt::CaseInsensitive) == 0) return s;
    throw Error(QStringLiteral("Section '%1' not found in %2").arg(sectionName, layout.name),
                8708);
}

}  // namespace

ReportControl& Section::control(const QString& controlName) {
    return findControl(*this, controlName);
}
const ReportControl& Section::control(const QString& controlName) const {
    return findControl(*this, controlName);
}

Section& ReportLayout::section(const QString& sectionName) {
    return findSection(*this, sectionName);
}
const Section& ReportLayout::section(const QString& sectionName) const {
    return findSection(*this, sectionName);
}

QString ReportLayout::title() const {
    for (const ReportControl& c : band(BandRole::ReportHeader).controls)
        if (c.kind == ControlKind::Label && !c.caption.isEmpty()) return c.caption;
    return name;
}

ReportLayout emptyLayout(const QString& name, const PageSetup& page) {
    ReportLayout layout;
    layout.name = name;
    layout.page = page;
    layout.band(BandRole::ReportHeader).name = QStringLiteral("Section4");
    layout.band(BandRole::PageHeader).name = QStringLiteral("Section2");
    layout.band(BandRole::Detail).name = QStringLiteral("Section1");
    layout.band(BandRole::PageFooter).name = QStringLiteral("Section3");
    layout.band(BandRole::ReportFooter).name = QStringLiteral("Section5");
    for (size_t i = 0; i < layout.sections.size(); ++i)
        layout.sections[i].role = BandRole(i);
    return layout;
}

}  // namespace qd::reports
