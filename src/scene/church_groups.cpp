#include "scene/church_groups.h"

#include <cstdio>
#include <unordered_set>

namespace vm::scene {

namespace {

// Empty for an object without a frame or a frame without a name; such objects never match.
std::string_view frameName(const engine::SceneObject& object) {
    return object.frame ? std::string_view(object.frame->name) : std::string_view();
}

}  // namespace

std::array<ChurchGroups::Named, kGroupCount> ChurchGroups::All() const {
    return {{{"columns", &columns},
             {"benches", &benches},
             {"altar", &altar},
             {"statues", &statues},
             {"floor", &floor},
             {"altarFloor", &altarFloor},
             {"altarCeiling", &altarCeiling},
             {"frontWall", &frontWall},
             {"wallLamps", &wallLamps},
             {"bigGlass", &bigGlass},
             {"organGlass", &organGlass},
             {"stainedGlass", &stainedGlass},
             {"circularGlass", &circularGlass},
             {"windows", &windows},
             {"ceiling", &ceiling},
             {"upperWalls", &upperWalls},
             {"innerCeiling", &innerCeiling},
             {"organ", &organ},
             {"candleSticks", &candleSticks},
             {"candles", &candles},
             {"backDoor", &backDoor},
             {"rest", &rest},
             {"glowLayers", &glowLayers}}};
}

void ChurchGroups::Clear() { *this = ChurchGroups{}; }

engine::SceneObject* FindExact(SceneObjects& objects, std::string_view name) {
    if (name.empty()) return nullptr;
    for (engine::SceneObject& o : objects) {
        if (frameName(o) == name) return &o;
    }
    return nullptr;
}

void AppendExact(MeshGroup& group, SceneObjects& objects, std::string_view name) {
    group.push_back(FindExact(objects, name));
}

void AppendContaining(MeshGroup& group, SceneObjects& objects, std::string_view text) {
    for (engine::SceneObject& o : objects) {
        const std::string_view name = frameName(o);
        if (!name.empty() && name.find(text) != std::string_view::npos) group.push_back(&o);
    }
}

void FillCandles(ChurchGroups& groups, SceneObjects& objects) {
    if (engine::SceneObject* stick = FindExact(objects, "CandleStick")) groups.candleSticks.push_back(stick);
    char name[32];
    for (int n = 0; n < 20; ++n) {
        std::snprintf(name, sizeof name, "Candle%02d", n);
        if (engine::SceneObject* candle = FindExact(objects, name)) groups.candles.push_back(candle);
        std::snprintf(name, sizeof name, "CandleStick%02d", n);
        if (engine::SceneObject* stick = FindExact(objects, name)) {
            // Sticks 14 and 15 hold a single candle and burn with one flame, like the candles.
            (n == 14 || n == 15 ? groups.candles : groups.candleSticks).push_back(stick);
        }
    }
}

MeshGroup CollectRest(const ChurchGroups& groups, SceneObjects& objects) {
    std::unordered_set<const engine::SceneObject*> grouped;
    for (const ChurchGroups::Named& g : groups.All()) {
        if (g.group == &groups.rest || g.group == &groups.glowLayers) continue;
        for (const engine::SceneObject* o : *g.group) {
            if (o) grouped.insert(o);
        }
    }
    MeshGroup rest;
    for (engine::SceneObject& o : objects) {
        if (!grouped.contains(&o)) rest.push_back(&o);
    }
    return rest;
}

}  // namespace vm::scene
