#include "UploadQueue.h"

#include "DavXml.h"
#include "ItemTags.h"

#include "core/exchange/ContentLines.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int parallelWrites = 4;
}

void UploadQueue::reset(bool calendar)
{
    m_calendar = calendar;
    m_operations.clear();
    m_running = 0;
    m_written = 0;
}

void UploadQueue::put(const QString &key, const QString &href, const QString &uid, const QString &ifMatch)
{
    m_operations.append({Operation::Put, key, href, uid, ifMatch, 0, false});
}

void UploadQueue::remove(const QString &key, const QString &href, const QString &uid, const QString &ifMatch)
{
    m_operations.append({Operation::Delete, key, href, uid, ifMatch, 0, false});
}

void UploadQueue::markRetries(qsizetype from)
{
    for (qsizetype i = from; i < m_operations.size(); ++i) {
        m_operations[i].attempts = 1;
    }
}

void UploadQueue::send()
{
    if (!m_job.running()) {
        return; // the job ended: nothing more is sent or confirmed
    }
    while (m_running < parallelWrites && !m_operations.isEmpty()) {
        Operation op = m_operations.takeFirst();
        QList<DavSession::Header> headers;
        QByteArray body;
        if (op.kind == Operation::Put) {
            body = m_host.uploadText(op);
            headers.append(DavSession::Header{
                "Content-Type", m_calendar ? "text/calendar; charset=utf-8" : "text/vcard; charset=utf-8"});
        }
        if (ItemTags::isServerTag(op.ifMatch)) {
            headers.append(DavSession::Header{"If-Match", op.ifMatch.toUtf8()});
        } else if (op.ifMatch.isEmpty() && op.kind == Operation::Put) {
            headers.append(DavSession::Header{"If-None-Match", "*"});
        }
        ++m_running;
        m_job.request(
            op.kind == Operation::Put ? "PUT" : "DELETE",
            m_job.urlOf(op.href),
            body,
            headers,
            [this, op, body](const DavSession::Reply &r) {
                --m_running;
                DavSession::Reply reply = r;
                if (r.failure != DavSession::None) {
                    // A server that refuses a large body may close the connection before
                    // Qt reads its 413: a card with a photo gets one try with a smaller copy.
                    if (op.kind == Operation::Put && !op.smallPhoto && !m_calendar && m_host.hasPhoto(op.key)) {
                        reply.status = 413;
                    } else {
                        m_job.fail(r.error);
                        return;
                    }
                }
                if (op.kind == Operation::Put && r.status >= 200 && r.status < 300) {
                    reply.body = body; // what the server now holds
                }
                onWritten(op, reply);
            },
            op.kind == Operation::Put);
        if (!m_job.running()) {
            return;
        }
    }
    if (m_running == 0 && m_operations.isEmpty()) {
        m_host.allAnswered();
    }
}

void UploadQueue::onWritten(const Operation &op, const DavSession::Reply &r)
{
    if (op.kind == Operation::Delete) {
        if ((r.status >= 200 && r.status < 300) || r.status == 404) {
            ++m_written;
            m_host.removed(op, r.status != 404);
        } else if (r.status == 412 && op.attempts == 0) {
            fetchBack(op); // changed there meanwhile: the change wins
            return;
        } else if (r.status == 412) {
            m_host.leftForLater(r.status);
        } else {
            m_job.fail(Dav::statusText(r, m_job.urlOf(op.href)));
            return;
        }
        send();
        return;
    }
    if (r.status >= 200 && r.status < 300) {
        ++m_written;
        m_host.stored(op, Dav::stripEtag(r.etag), r.body);
        m_host.sendingProgress(m_written, m_written + static_cast<int>(m_operations.size()) + m_running);
        send();
        return;
    }
    if (r.status == 413 && !m_calendar && !op.smallPhoto && m_host.hasPhoto(op.key)) {
        Operation again = op;
        again.smallPhoto = true;
        m_operations.prepend(again);
        send();
        return;
    }
    if ((r.status == 412 || r.status == 409) && op.attempts == 0) {
        reconcile(op, r);
        return;
    }
    if (r.status == 413 || r.status == 412 || r.status == 409) {
        m_host.leftForLater(r.status);
        send();
        return;
    }
    m_job.fail(Dav::statusText(r, m_job.urlOf(op.href)));
}

void UploadQueue::reconcile(const Operation &op, const DavSession::Reply &reply)
{
    Operation again = op;
    again.attempts = 1;
    // Changed on both sides (412), or the UID is on the server already under another name (409):
    // the server's copy is fetched and merged as any other, then this side's result sent once more.
    const auto mergeWith = [this, again](const QString &href, const CollectionReader::Fetched &remote) {
        const qsizetype queued = m_operations.size();
        m_host.merge(again, href, remote);
        markRetries(queued);
        if (m_host.writeLocal()) {
            send();
        }
    };
    ++m_running;
    if (reply.status == 409) {
        m_job.request("REPORT",
                      m_job.collection(),
                      DavXml::uidQuery(m_calendar, op.uid),
                      {{"Depth", "1"}},
                      [this, mergeWith](const DavSession::Reply &r) {
                          --m_running;
                          DavXml::MultiStatus ms;
                          const char *ns = m_calendar ? DavXml::calDav : DavXml::cardDav;
                          const char *data = m_calendar ? "calendar-data" : "address-data";
                          if (r.status == 207 && DavXml::parse(r.body, &ms)) {
                              for (const DavXml::Response &resp : ms.responses) {
                                  QString href;
                                  const DavXml::Property *text = resp.find(ns, data);
                                  if (text && m_job.memberHref(resp.href, &href)) {
                                      mergeWith(href,
                                                {resp.text(DavXml::dav, "getetag").trimmed(),
                                                 ContentLines::withCrLf(text->data)});
                                      return;
                                  }
                              }
                          }
                          m_host.leftForLater(409);
                          send();
                      });
        return;
    }
    m_job.request("GET", m_job.urlOf(op.href), {}, {}, [this, again, mergeWith](const DavSession::Reply &r) {
        --m_running;
        if (r.status == 404) {
            Operation create = again;
            create.ifMatch.clear(); // gone meanwhile: this side's copy is sent anew
            m_operations.prepend(create);
            send();
            return;
        }
        if (r.status != 200) {
            m_job.fail(Dav::statusText(r, m_job.urlOf(again.href)));
            return;
        }
        mergeWith(again.href, {Dav::stripEtag(r.etag), ContentLines::withCrLf(r.body)});
    });
}

// An item deleted here was changed on the server since: it is fetched and comes back here as the
// server has it (a change made on the phone outweighs a delete made here).
void UploadQueue::fetchBack(const Operation &op)
{
    ++m_running;
    m_job.request("GET", m_job.urlOf(op.href), {}, {}, [this, op](const DavSession::Reply &r) {
        --m_running;
        if (r.status != 200 && r.status != 404) {
            m_job.fail(Dav::statusText(r, m_job.urlOf(op.href)));
            return;
        }
        if (r.status == 200) {
            const CollectionReader::Fetched remote{Dav::stripEtag(r.etag), ContentLines::withCrLf(r.body)};
            m_host.takeBack(op, &remote);
            if (!m_host.writeLocal()) {
                return;
            }
        } else {
            m_host.takeBack(op, nullptr);
        }
        send();
    });
}
