// Multistatus answers read the same whether small or large: a large one has its item contents
// taken out before the XML reader sees the rest, which must not change what is read.
#include "core/sync/DavXml.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_DavXml : public QObject
{
    Q_OBJECT

private slots:
    void itemContent_data()
    {
        QTest::addColumn<QByteArray>("element"); // the address-data element as the server writes it
        QTest::addColumn<QByteArray>("text");    // what is read, UTF-8
        QTest::newRow("plain") << QByteArray("<C:address-data>BEGIN:VCARD\r\nEND:VCARD</C:address-data>")
                               << QByteArray("BEGIN:VCARD\nEND:VCARD");
        QTest::newRow("entities") << QByteArray(
            "<C:address-data>a&lt;b&gt;&amp;&quot;&apos;&#x105;&#322;</C:address-data>")
                                  << QByteArray("a<b>&\"'\xC4\x85\xC5\x82");
        QTest::newRow("CDATA") << QByteArray("<C:address-data><![CDATA[x<y&z]]>!</C:address-data>")
                               << QByteArray("x<y&z!");
        QTest::newRow("default namespace")
            << QByteArray("<address-data xmlns=\"urn:ietf:params:xml:ns:carddav\">FN:Jan</address-data>")
            << QByteArray("FN:Jan");
        QTest::newRow("attribute") << QByteArray("<C:address-data content-type=\"text/vcard\">FN:Ewa</C:address-data>")
                                   << QByteArray("FN:Ewa");
        QTest::newRow("empty element") << QByteArray("<C:address-data/>") << QByteArray();
        QTest::newRow("element inside") << QByteArray("<C:address-data>FN:<d:x/>Jan</C:address-data>")
                                        << QByteArray("FN:Jan");
    }
    void itemContent()
    {
        QFETCH(QByteArray, element);
        QFETCH(QByteArray, text);
        const auto answer = [&](qsizetype padding) {
            return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                   "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><d:response><d:href>/k/1.vcf</d:href><d:propstat>"
                   "<d:prop><d:getetag>\"1\"</d:getetag>"
                   + element
                   + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
                     "<d:response><d:href>/k/2.vcf</d:href><d:propstat><d:prop><C:address-data>"
                   + QByteArray(padding, 'x')
                   + "</C:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
                     "<d:sync-token>t1</d:sync-token></d:multistatus>";
        };
        for (const qsizetype padding : {qsizetype(10), qsizetype(2 * 1024 * 1024)}) {
            DavXml::MultiStatus ms;
            QVERIFY(DavXml::parse(answer(padding), &ms));
            QCOMPARE(ms.responses.size(), 2);
            QCOMPARE(ms.syncToken, u"t1"_s);
            QCOMPARE(ms.responses[0].text(DavXml::dav, "getetag"), u"\"1\""_s);
            const DavXml::Property *content = ms.responses[0].find(DavXml::cardDav, "address-data");
            QVERIFY(content);
            QCOMPARE(content->data, text);
            QCOMPARE(ms.responses[1].find(DavXml::cardDav, "address-data")->data.size(), padding);
        }
    }
};

QTEST_GUILESS_MAIN(tst_DavXml)
#include "tst_davxml.moc"
