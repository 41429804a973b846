// The live room's instance table: active and deactivated lists, per-object lists and ids.
#include "run/Run_Room.h"

#include "resources/Object_Main.h"

#include <algorithm>

namespace {

std::vector<std::vector<int>> g_ancestors;
const std::vector<int> kNone;

} // namespace

void Room_RebuildAncestors() {
    const int n = Object_Count();
    g_ancestors.assign(size_t(n), {});
    for (int o = 0; o < n; ++o) {
        const CObject* obj = Object_Get(o);
        if (!obj) continue;
        auto& list = g_ancestors[size_t(o)];
        int p = obj->o_parent;
        // A chain longer than the object count repeats: stop there.
        while (Object_Exists(p) && int(list.size()) < n && p != o &&
               std::find(list.begin(), list.end(), p) == list.end()) {
            list.push_back(p);
            p = Object_Get(p)->o_parent;
        }
    }
}

const std::vector<int>& Room_Ancestors(int obj) {
    return obj >= 0 && obj < int(g_ancestors.size()) ? g_ancestors[size_t(obj)] : kNone;
}

void CLiveRoom::AssignResource(const CRoom& res) {
    static_cast<CRoom&>(*this) = res;
    r_inst.clear();
    r_inst_deact.clear();
    RebuildLists();
}

void CLiveRoom::Enter(CInstance* inst) {
    const int obj = inst->i_objectindex;
    if (obj >= 0 && obj < int(r_obj.size())) {
        r_obj[size_t(obj)].push_back(inst);
        r_objrec[size_t(obj)].push_back(inst);
        for (int a : Room_Ancestors(obj)) r_objrec[size_t(a)].push_back(inst);
    }
    r_ids[inst->i_id] = inst;
}

CInstance* CLiveRoom::AddInstance(double x, double y, int objectind, int id) {
    if (TotalInstances() >= kMaxRoomInstances) return nullptr;
    if (r_obj.size() != size_t(std::max(Object_Count(), 0))) RebuildLists();
    r_inst.push_back(std::make_unique<CInstance>(x, y, id, objectind));
    CInstance* inst = r_inst.back().get();
    Enter(inst);
    return inst;
}

void CLiveRoom::SetInstanceId(CInstance* inst, int id) {
    auto it = r_ids.find(inst->i_id);
    if (it != r_ids.end() && it->second == inst) r_ids.erase(it);
    inst->i_id = id;
    if (!inst->i_deactivated) r_ids[id] = inst;
}

CInstance* CLiveRoom::FindInstance(int id) const {
    auto it = r_ids.find(id);
    if (it == r_ids.end()) return nullptr;
    CInstance* inst = it->second;
    return inst->i_marked || inst->i_deactivated ? nullptr : inst;
}

void CLiveRoom::RebuildLists() {
    const size_t n = size_t(std::max(Object_Count(), 0));
    r_obj.assign(n, {});
    r_objrec.assign(n, {});
    r_ids.clear();
    r_ids.reserve(r_inst.size());
    for (const auto& p : r_inst) Enter(p.get());
}

void CLiveRoom::RemoveMarked() {
    auto keep =
        std::stable_partition(r_inst.begin(), r_inst.end(), [](const auto& p) { return !p->i_marked; });
    if (keep == r_inst.end()) return;
    r_inst.erase(keep, r_inst.end());
    RebuildLists();
}

void CLiveRoom::UpdateActive() {
    bool moved = false;
    std::vector<std::unique_ptr<CInstance>> stay;
    for (auto& p : r_inst_deact) {
        if (!p->i_deactivated) {
            r_inst.push_back(std::move(p));
            moved = true;
        } else {
            stay.push_back(std::move(p));
        }
    }
    r_inst_deact = std::move(stay);
    std::vector<std::unique_ptr<CInstance>> active;
    active.reserve(r_inst.size());
    for (auto& p : r_inst) {
        if (p->i_deactivated) {
            r_inst_deact.push_back(std::move(p));
            moved = true;
        } else {
            active.push_back(std::move(p));
        }
    }
    r_inst = std::move(active);
    if (moved) RebuildLists();
}

void CLiveRoom::SortInstances() {
    auto deeper = [](const auto& a, const auto& b) { return a->i_depth > b->i_depth; };
    if (std::is_sorted(r_inst.begin(), r_inst.end(), deeper)) return;
    std::stable_sort(r_inst.begin(), r_inst.end(), deeper);
}

void CLiveRoom::ClearInstances() {
    r_inst.clear();
    r_inst_deact.clear();
    RebuildLists();
}
