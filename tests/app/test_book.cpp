// Choosing the order book: what --book accepts, what the settings store keeps, and the
// connection string that opens it.

#include "app/book.h"
#include "app/folders.h"
#include "app/settings.h"
#include "core/error.h"
#include "support/testenv.h"

#include <QDir>
#include <QtTest>

using qd::BookLocation;

class TestBook : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

private slots:
    void locations_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("where");
        const QString cwd = QDir::currentPath();
        QTest::newRow("path") << "/srv/books/shop.mdb" << int(BookLocation::File) << "/srv/books/shop.mdb";
        QTest::newRow("relative path") << "shop.mdb" << int(BookLocation::File) << cwd + "/shop.mdb";
        QTest::newRow("sqlite:") << "sqlite:/srv/shop.mdb" << int(BookLocation::File) << "/srv/shop.mdb";
        QTest::newRow("sqlite://") << "sqlite:///srv/shop.mdb" << int(BookLocation::File) << "/srv/shop.mdb";
        QTest::newRow("uri") << "postgresql://clerk@db.office:5432/orders" << int(BookLocation::Server)
                             << "postgresql://clerk@db.office:5432/orders";
        QTest::newRow("short uri") << "postgres:///orders" << int(BookLocation::Server) << "postgres:///orders";
        QTest::newRow("keywords") << " host=/run/postgresql dbname=orders " << int(BookLocation::Server)
                                  << "host=/run/postgresql dbname=orders";
        QTest::newRow("path with =") << "/tmp/a=b.mdb" << int(BookLocation::File) << "/tmp/a=b.mdb";
    }
    void locations() {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QString, where);
        const BookLocation book = qd::parseBookLocation(text);
        QCOMPARE(int(book.kind), kind);
        QCOMPARE(book.where, where);
        QCOMPARE(qd::parseBookLocation(book.uri()), book);  // what is kept reads back the same
    }

    // Passwords are never taken, so they can never be kept.
    void refused_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "  ";
        QTest::newRow("uri password") << "postgresql://clerk:secret@db/orders";
        QTest::newRow("query password") << "postgresql://clerk@db/orders?password=secret";
        QTest::newRow("keyword password") << "host=db dbname=orders password=secret";
        QTest::newRow("sqlite: alone") << "sqlite:";
    }
    void refused() {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(qd::Error, qd::parseBookLocation(text));
    }

    void rememberedPerUser() {
        m_env.reset();
        const QString local = qd::ConnectionString();
        QCOMPARE(local, "provider=microsoft.jet.oledb.4.0;data source=" + m_env.dataFolder() +
                            "/dbData.mdb;JET OLEDB:Database Password=");
        qd::rememberBook(qd::parseBookLocation("host=/run/postgresql dbname=orders"));
        QCOMPARE(qd::GetSetting("Brisklane", "Quarrydesk", "Book"), "host=/run/postgresql dbname=orders");
        QCOMPARE(qd::ConnectionString(), "provider=postgresql;data source=host=/run/postgresql dbname=orders");
        qd::rememberBook(qd::parseBookLocation("/srv/shop.mdb"));
        QCOMPARE(qd::ConnectionString(), "provider=microsoft.jet.oledb.4.0;data source=/srv/shop.mdb;"
                                         "JET OLEDB:Database Password=");
        qd::rememberBook(BookLocation());  // forgotten: the local book again
        QCOMPARE(qd::GetSetting("Brisklane", "Quarrydesk", "Book", "none"), "none");
        QCOMPARE(qd::ConnectionString(), local);
    }
};

QTEST_GUILESS_MAIN(TestBook)
#include "test_book.moc"
