#include "data/schemainfo.h"

#include "data/schema.h"

namespace qd::data::schema {

namespace {

ColumnKind kindOf(Schema::Kind kind) {
    switch (kind) {
        case Schema::Kind::Key: return ColumnKind::Key;
        case Schema::Kind::Integer: return ColumnKind::Integer;
        case Schema::Kind::Text: return ColumnKind::Text;
        case Schema::Kind::Money: return ColumnKind::Money;
        case Schema::Kind::Number: return ColumnKind::Real;
        case Schema::Kind::Date: return ColumnKind::Date;
    }
    return ColumnKind::Text;
}

bool same(QStringView a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

QString unbracketed(QStringView name) {
    name = name.trimmed();
    if (name.size() >= 2 && name.front() == u'[' && name.back() == u']')
        name = name.mid(1, name.size() - 2);
    return name.toString();
}

std::optional<ColumnKind> columnKind(QStringView name) {
    // The last dot outside brackets separates the table from the column.
    qsizetype dot = -1;
    int depth = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'[') ++depth;
        else if (name[i] == u']') --depth;
        else if (name[i] == u'.' && depth == 0) dot = i;
    }
    const QString table = dot < 0 ? QString() : unbracketed(name.left(dot));
    const QString column = unbracketed(dot < 0 ? name : name.mid(dot + 1));
    std::optional<ColumnKind> kind;
    for (const Schema::Table& t : Schema::book().tables()) {
        if (!table.isEmpty() && !same(table, t.name)) continue;
        for (const Schema::Column& c : t.columns) {
            if (!same(column, c.name)) continue;
            if (kind && *kind != kindOf(c.kind)) return std::nullopt;  // tables disagree
            kind = kindOf(c.kind);
        }
    }
    return kind;
}

QString integerKey(QStringView table) {
    const Schema::Table* t = Schema::book().table(unbracketed(table));
    return t ? t->key() : QString();
}

}  // namespace qd::data::schema
