// Replacing a file on real files: whatever fails, the old file is there as it was and no part
// is left beside it; when nothing fails, the new contents are there with the old permissions.

#include <QtTest>

#include "files/replacefile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

using qd::files::replaceFile;

namespace {

enum class Case { Replaced, FolderTakesNoFile, WriterThrows, WriterThrowsOther, TargetIsFolder, NameTaken };

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Root writes into any folder; the write is then made as nobody, which the mode stops.
class AsNobody {
public:
    explicit AsNobody(bool on) : m_on(on && ::geteuid() == 0) {
        if (m_on && (::setegid(65534) != 0 || ::seteuid(65534) != 0)) m_on = false;
    }
    ~AsNobody() {
        if (m_on && (::seteuid(0) != 0 || ::setegid(0) != 0)) qFatal("cannot be root again");
    }

private:
    bool m_on;
};

}  // namespace

class TestReplaceFile : public QObject {
    Q_OBJECT

private slots:
    void failuresLeaveTheOldFile_data() {
        QTest::addColumn<Case>("how");
        QTest::addColumn<QString>("error");  // a part of the error's text; empty: no error
        QTest::newRow("replaced") << Case::Replaced << QString();
        QTest::newRow("another's part beside it") << Case::NameTaken << QString();
        QTest::newRow("folder takes no file") << Case::FolderTakesNoFile << QStringLiteral("could not be written");
        QTest::newRow("writer fails half-way") << Case::WriterThrows << QStringLiteral("the disk went away");
        QTest::newRow("writer throws another type") << Case::WriterThrowsOther << QStringLiteral("bad_alloc");
        QTest::newRow("target is a folder") << Case::TargetIsFolder << QStringLiteral("could not be written");
    }

    void failuresLeaveTheOldFile() {
        QFETCH(Case, how);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/book.mdb");
        const QString other = target + QStringLiteral(".part-") + QString::number(QCoreApplication::applicationPid());
        if (how == Case::TargetIsFolder) {
            QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
        } else {
            put(target, "old contents");
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);
        }
        if (how == Case::NameTaken) put(other, "another writer's part");
        if (how == Case::FolderTakesNoFile) {
            ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
            ::chmod(QFile::encodeName(folder).constData(), 0555);
        }

        QString thrown;
        try {
            AsNobody nobody(how == Case::FolderTakesNoFile);
            replaceFile(target, [&](QFile& part) {
                QCOMPARE(QFileInfo(part.fileName()).absolutePath(), folder);
                QVERIFY(part.write("new ") == 4);
                if (how == Case::WriterThrows) throw qd::Error(QStringLiteral("the disk went away"));
                if (how == Case::WriterThrowsOther) throw std::bad_alloc();
                QVERIFY(part.write("contents") == 8);
            }, {target, {}});
        } catch (const qd::Error& e) {
            thrown = e.description();
            if (how != Case::WriterThrows) QVERIFY2(thrown.contains(target), qPrintable(thrown));
        } catch (const std::bad_alloc&) {
            thrown = QStringLiteral("bad_alloc");
        }
        ::chmod(QFile::encodeName(folder).constData(), 0755);

        if (error.isEmpty()) {
            QVERIFY2(thrown.isEmpty(), qPrintable(thrown));
            QCOMPARE(contents(target), QByteArray("new contents"));
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0640));
        } else {
            QVERIFY2(thrown.contains(error), qPrintable(thrown));
            if (how == Case::TargetIsFolder) QVERIFY(QFileInfo(target + QStringLiteral("/inside")).isDir());
            else QCOMPARE(contents(target), QByteArray("old contents"));
        }
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("book.mdb"));
        if (how == Case::NameTaken) {
            QCOMPARE(left, QStringList{QFileInfo(other).fileName()});
            QCOMPARE(contents(other), QByteArray("another writer's part"));
        } else {
            QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
        }
    }
};

QTEST_GUILESS_MAIN(TestReplaceFile)
#include "test_replacefile.moc"
