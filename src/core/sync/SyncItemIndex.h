#pragma once

#include "SyncState.h"

#include <QHash>

// The entries of a collection's state by local key, kept in step as entries come and go.
class SyncItemIndex
{
public:
    void attach(SyncCollectionState *collection)
    {
        m_collection = collection;
        rebuild();
    }
    SyncCollectionState &collection() { return *m_collection; }

    SyncItem *find(const QString &key)
    {
        auto it = m_byKey.constFind(key);
        if (it != m_byKey.cend() && (*it >= m_collection->items.size() || m_collection->items[*it].key != key)) {
            rebuild();
            it = m_byKey.constFind(key);
        }
        return it == m_byKey.cend() ? nullptr : &m_collection->items[*it];
    }
    bool contains(const QString &key) const { return m_byKey.contains(key); }
    SyncItem &append(const SyncItem &item)
    {
        m_collection->items.append(item);
        if (!item.key.isEmpty()) {
            m_byKey.insert(item.key, m_collection->items.size() - 1);
        }
        return m_collection->items.last();
    }
    void rebuild()
    {
        m_byKey.clear();
        if (!m_collection) {
            return;
        }
        const QList<SyncItem> &items = m_collection->items;
        m_byKey.reserve(items.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (!items[i].key.isEmpty()) {
                m_byKey.insert(items[i].key, i);
            }
        }
    }

private:
    SyncCollectionState *m_collection = nullptr;
    QHash<QString, qsizetype> m_byKey;
};
