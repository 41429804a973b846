// TResourceList: one resource kind's table of owned items and their names, indexed by resource
// id. Missing items are holes (null, empty name) that keep later ids in place.
#pragma once

#include <algorithm>
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
    // Sets the length; new entries are holes.
    void SetCount(int n) {
        m_items.resize(size_t(std::max(n, 0)));
        m_names.resize(size_t(std::max(n, 0)));
    }
    bool Exists(int id) const { return Get(id) != nullptr; }
    T* Get(int id) const { return id >= 0 && id < Count() ? m_items[size_t(id)].get() : nullptr; }
    // The name, or "<undefined>" for a missing item.
    std::string GetName(int id) const { return Exists(id) ? m_names[size_t(id)] : "<undefined>"; }
    // Lowest id of a present item with exactly this name, or -1.
    int Find(const std::string& name) const {
        for (size_t i = 0; i < m_items.size(); i++)
            if (m_items[i] && m_names[i] == name) return int(i);
        return -1;
    }
    // Puts an item at id (growing the table with holes); null makes the id a hole.
    void Set(int id, std::unique_ptr<T> item, const std::string& name) {
        if (id < 0) return;
        if (id >= Count()) SetCount(id + 1);
        m_items[size_t(id)] = std::move(item);
        m_names[size_t(id)] = m_items[size_t(id)] ? name : std::string();
    }
    void SetName(int id, const std::string& name) {
        if (Exists(id)) m_names[size_t(id)] = name;
    }
    // Appends an item named prefix + its id; returns the id.
    int Append(std::unique_ptr<T> item, const std::string& prefix) {
        int id = Count();
        Set(id, std::move(item), prefix + std::to_string(id));
        return id;
    }
    // Removes the last entry (a failed add gives its id back).
    void DropLast() {
        if (Count() > 0) SetCount(Count() - 1);
    }
    // Frees the item and leaves a hole; false when it does not exist.
    bool Delete(int id) {
        if (!Exists(id)) return false;
        Set(id, nullptr, "");
        return true;
    }

  private:
    std::vector<std::unique_ptr<T>> m_items;
    std::vector<std::string> m_names;
};
