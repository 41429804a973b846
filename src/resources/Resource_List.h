// The per-kind resource list: items owned by index with their names, empty slots kept at their
// index. Every kind's list (paths, scripts, time lines, objects, rooms, ...) is one of these.
#pragma once

#include <memory>
#include <string>
#include <vector>

template <typename T>
class TResourceList {
  public:
    void Clear() {
        m_items.clear();
        m_names.clear();
    }
    int Count() const { return int(m_items.size()); }
    bool Exists(int index) const { return Get(index) != nullptr; }
    T* Get(int index) const { return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr; }
    // The name of an existing item, else "<undefined>".
    std::string Name(int index) const { return Exists(index) ? m_names[size_t(index)] : "<undefined>"; }
    // First existing index whose name equals name exactly, else -1.
    int Find(const std::string& name) const {
        for (size_t k = 0; k < m_items.size(); ++k)
            if (m_items[k] && m_names[k] == name) return int(k);
        return -1;
    }
    // Puts item (nullptr: an empty slot) at index, growing the list with empty slots.
    void Set(int index, std::unique_ptr<T> item, std::string name) {
        if (index < 0) return;
        if (index >= Count()) {
            m_items.resize(size_t(index) + 1);
            m_names.resize(size_t(index) + 1);
        }
        m_items[size_t(index)] = std::move(item);
        m_names[size_t(index)] = m_items[size_t(index)] ? std::move(name) : std::string();
    }
    // Grows the list with empty slots up to count (the slots a chunk held without items).
    void Pad(int count) {
        if (count > Count()) {
            m_items.resize(size_t(count));
            m_names.resize(size_t(count));
        }
    }
    // Appends item named prefix + its index; returns the index.
    int Add(std::unique_ptr<T> item, const std::string& prefix) {
        int index = Count();
        Set(index, std::move(item), prefix + std::to_string(index));
        return index;
    }
    // Frees the item and leaves an empty slot; false when there was none.
    bool Delete(int index) {
        if (!Exists(index)) return false;
        m_items[size_t(index)].reset();
        m_names[size_t(index)].clear();
        return true;
    }

  private:
    std::vector<std::unique_ptr<T>> m_items;
    std::vector<std::string> m_names;
};
