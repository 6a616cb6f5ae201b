#include "ItemTags.h"

#include "core/exchange/ContentLines.h"
#include "core/sync/CardText.h"

#include <QCryptographicHash>

namespace ItemTags {

QString contentTag(const QByteArray &text)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const ContentLines::Line &line : ContentLines::split(text)) {
        const QByteArray name = ContentLines::name(line.logical);
        if (name != "REV" && name != "PRODID" && !line.logical.trimmed().isEmpty()) {
            hash.addData(line.logical);
            hash.addData("\n");
        }
    }
    return u'#' + QString::fromLatin1(hash.result().toHex());
}

bool isServerTag(const QString &tag)
{
    return !tag.isEmpty() && !tag.startsWith(u'#');
}

QString tagOf(const QString &etag, const QByteArray &text)
{
    return etag.isEmpty() ? contentTag(text) : etag;
}

void adopt(SyncCollectionState &state,
           const QHash<QString, qsizetype> &byHref,
           const QString &href,
           QString *etag,
           const QByteArray &text)
{
    *etag = tagOf(*etag, text);
    const auto at = byHref.constFind(href);
    if (at == byHref.cend() || *at >= state.items.size()) {
        return;
    }
    SyncItem &item = state.items[*at];
    if (item.etag.isEmpty() || item.skipped) {
        return;
    }
    if (item.shortened) {
        if (item.etag == *etag) {
            item.serverText = ContentLines::withCrLf(text); // as the XML reader gave it: LF alone
            item.shortened = false;
        }
        return;
    }
    if (item.etag != *etag && CardText::sameButRevision(item.serverText, text)) {
        item.etag = *etag;
        item.serverText = ContentLines::withCrLf(text);
    }
}

} // namespace ItemTags
