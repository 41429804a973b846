// The live room's instance table: active and deactivated lists, per-object lists and ids.
#include "run/Run_Room.h"

#include "resources/Object_Main.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <climits>

namespace {

std::vector<std::vector<int>> g_ancestors;
const std::vector<int> kNone;
uint64_t g_nextEntry = 0;

} // namespace

uint64_t g_roomListChanges = 0;

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
    inst->i_link.entry = ++g_nextEntry;
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
    ++g_roomListChanges;
    const size_t n = size_t(std::max(Object_Count(), 0));
    r_obj.assign(n, {});
    r_objrec.assign(n, {});
    r_ids.clear();
    r_ids.reserve(r_inst.size());
    for (const auto& p : r_inst) Enter(p.get());
}

void CLiveRoom::RemoveMarked() {
    // Instances are marked only through Mark, or by copying or loading a marked one.
    if (r_marksSeen == g_instanceMarks) return;
    auto keep =
        std::stable_partition(r_inst.begin(), r_inst.end(), [](const auto& p) { return !p->i_marked; });
    r_marksSeen = g_instanceMarks;
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
    if (!moved) return;
    r_depthsSeen = ~uint64_t(0);
    RebuildLists();
}

void CLiveRoom::SortInstances() {
    // Depths change only through SetDepth, new instances, copies and loads; the list changes
    // order otherwise only by activation.
    if (r_depthsSeen == g_instanceDepthChanges) return;
    auto deeper = [](const auto& a, const auto& b) { return a->i_depth > b->i_depth; };
    if (!std::is_sorted(r_inst.begin(), r_inst.end(), deeper)) {
        std::stable_sort(r_inst.begin(), r_inst.end(), deeper);
        ++g_roomListChanges;
    }
    r_depthsSeen = g_instanceDepthChanges;
}

void CLiveRoom::ClearInstances() {
    r_inst.clear();
    r_inst_deact.clear();
    RebuildLists();
}

// ---- saved games ----

namespace {

constexpr int32_t kRoomGameVersion = 540;
// The fewest bytes one instance record and one tile record take: counts are checked against the
// bytes left, so a damaged count cannot make the loader allocate beyond the file's size.
constexpr size_t kInstanceRecordBytes = 368;
constexpr size_t kTileRecordBytes = 80;

} // namespace

void CLiveRoom::SaveGameToStream(CStream& str) const {
    str.WriteInteger(kRoomGameVersion);
    str.WriteString(r_caption);
    str.WriteInteger(r_width);
    str.WriteInteger(r_height);
    str.WriteInteger(r_speed);
    str.WriteBoolean(r_persistent);
    str.WriteInteger(r_color);
    str.WriteInteger((r_showcolor ? 1 : 0) | (r_clearViewBackground ? 0 : 2));
    str.WriteString(r_code);
    str.WriteInteger(kRoomLayers);
    for (const CBack& b : r_background) {
        str.WriteBoolean(b.visible);
        str.WriteBoolean(b.foreground);
        str.WriteInteger(b.index);
        str.WriteReal(b.x);
        str.WriteReal(b.y);
        str.WriteBoolean(b.htiled);
        str.WriteBoolean(b.vtiled);
        str.WriteReal(b.xscale);
        str.WriteReal(b.yscale);
        str.WriteReal(b.hspeed);
        str.WriteReal(b.vspeed);
        str.WriteInteger(b.blend);
        str.WriteReal(b.alpha);
    }
    str.WriteBoolean(r_enableviews);
    str.WriteInteger(kRoomViews);
    for (const CView& v : r_view) {
        str.WriteBoolean(v.visible);
        for (int n : {v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport})
            str.WriteInteger(n);
        str.WriteReal(v.angle);
        for (int n : {v.hborder, v.vborder, v.hspeed, v.vspeed, v.index}) str.WriteInteger(n);
    }
    str.WriteInteger(int32_t(r_inst.size()));
    for (const auto& p : r_inst) p->SaveToStream(str);
    str.WriteInteger(int32_t(r_inst_deact.size()));
    for (const auto& p : r_inst_deact) p->SaveToStream(str);
    str.WriteInteger(int32_t(r_tile.size()));
    for (const RTile& t : r_tile) {
        str.WriteReal(t.x);
        str.WriteReal(t.y);
        for (int n : {t.index, t.xo, t.yo, t.w, t.h}) str.WriteInteger(n);
        str.WriteReal(t.depth);
        str.WriteInteger(t.id);
        str.WriteReal(t.xscale);
        str.WriteReal(t.yscale);
        str.WriteInteger(t.blend);
        str.WriteReal(t.alpha);
        str.WriteBoolean(t.visible);
    }
}

bool CLiveRoom::LoadGameFromStream(CStream& str, std::string& why) {
    static_cast<CRoom&>(*this) = CRoom();
    r_inst.clear();
    r_inst_deact.clear();
    if (str.ReadInteger() != kRoomGameVersion) {
        why = "a room record of another version";
        return false;
    }
    r_caption = str.ReadString();
    r_width = str.ReadInteger();
    r_height = str.ReadInteger();
    r_speed = str.ReadInteger();
    r_persistent = str.ReadBoolean();
    r_color = str.ReadInteger();
    const int32_t flags = str.ReadInteger();
    r_showcolor = (flags & 1) != 0;
    r_clearViewBackground = (flags & 2) == 0;
    r_code = str.ReadString();
    const int32_t layers = str.ReadInteger();
    if (layers < 0 || layers > kRoomLayers) {
        why = "a room with " + std::to_string(layers) + " background layers";
        return false;
    }
    for (int k = 0; k < layers; ++k) {
        CBack& b = r_background[size_t(k)];
        b.visible = str.ReadBoolean();
        b.foreground = str.ReadBoolean();
        b.index = str.ReadInteger();
        b.x = str.ReadReal();
        b.y = str.ReadReal();
        b.htiled = str.ReadBoolean();
        b.vtiled = str.ReadBoolean();
        b.xscale = str.ReadReal();
        b.yscale = str.ReadReal();
        b.hspeed = str.ReadReal();
        b.vspeed = str.ReadReal();
        b.blend = str.ReadInteger();
        b.alpha = str.ReadReal();
    }
    r_nbackgrounds = layers;
    r_enableviews = str.ReadBoolean();
    const int32_t views = str.ReadInteger();
    if (views < 0 || views > kRoomViews) {
        why = "a room with " + std::to_string(views) + " views";
        return false;
    }
    for (int k = 0; k < views; ++k) {
        CView& v = r_view[size_t(k)];
        v.visible = str.ReadBoolean();
        for (int* n : {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport, &v.hport})
            *n = str.ReadInteger();
        v.angle = str.ReadReal();
        for (int* n : {&v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.index}) *n = str.ReadInteger();
    }
    r_nviews = views;
    int total = 0;
    for (auto* list : {&r_inst, &r_inst_deact}) {
        const int32_t n = str.ReadInteger();
        if (n < 0 || size_t(n) > str.Remaining() / kInstanceRecordBytes || n > kMaxRoomInstances - total) {
            why = "an instance count of " + std::to_string(n);
            return false;
        }
        total += n;
        list->reserve(size_t(n));
        for (int32_t k = 0; k < n; ++k) {
            auto inst = std::make_unique<CInstance>();
            if (!inst->LoadFromStream(str)) {
                why = "a damaged instance";
                return false;
            }
            if (!Object_Exists(inst->i_objectindex)) {
                why = "an instance of object " + std::to_string(inst->i_objectindex) +
                      ", which this game does not have";
                return false;
            }
            list->push_back(std::move(inst));
        }
    }
    const int32_t tiles = str.ReadInteger();
    if (tiles < 0 || size_t(tiles) > str.Remaining() / kTileRecordBytes) {
        why = "a tile count of " + std::to_string(tiles);
        return false;
    }
    r_tile.resize(size_t(tiles));
    for (RTile& t : r_tile) {
        t.x = str.ReadReal();
        t.y = str.ReadReal();
        for (int* n : {&t.index, &t.xo, &t.yo, &t.w, &t.h}) *n = str.ReadInteger();
        t.depth = str.ReadReal();
        t.id = str.ReadInteger();
        t.xscale = str.ReadReal();
        t.yscale = str.ReadReal();
        t.blend = str.ReadInteger();
        t.alpha = str.ReadReal();
        t.visible = str.ReadBoolean();
    }
    RebuildLists();
    return true;
}

int CLiveRoom::HighestInstanceId() const {
    int m = INT_MIN;
    for (const auto* list : {&r_inst, &r_inst_deact})
        for (const auto& p : *list) m = std::max(m, p->i_id);
    return m;
}

int CLiveRoom::HighestTileId() const {
    int m = INT_MIN;
    for (const RTile& t : r_tile) m = std::max(m, t.id);
    return m;
}
