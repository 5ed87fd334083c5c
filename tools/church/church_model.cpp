#include "church/church_model.h"

#include <cmath>
#include <stdexcept>

#include "church/looks.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

// Collection order. Groups that gather by name follow this order; the stained-glass windows 01..05 (the
// left side) come before 06..10, and the unsorted parts keep the order the scene lists them in.
const char* const kOrder[] = {
    "Floor14", "Altar_Floor", "Altar_Ceil", "wall_front",
    "Cylinder10", "Cylinder100", "Cylinder101", "Cylinder102", "Cylinder103", "Cylinder104",
    "Object01", "Object011", "Object012", "ceil_trims_left", "ceil_trims_right",
    "Ceiling", "Ceil_Fresco",
    "columns_left", "columns_right", "Bench_left", "Bench_right",
    "Wall", "Object35",
    "UpperDoorWall", "UpperWall01", "UpperWall02", "UpperWall03", "UpperWall04", "UpperWall05", "UpperWall06",
    "UpperWall07", "UpperWall08", "UpperWall09", "UpperWall10", "UpperWall11", "UpperWall12",
    "up_colons", "upper_trim_left", "upper_trim_right",
    "inner_ceiling_left", "inner_ceiling_right", "inner_ceiling_arches_left", "inner_ceiling_arches_right",
    "inner_ceiling_ribs", "CylinderUp",
    "Door", "rosettas", "Object38",
    "Organ", "OrganPipes", "Object36", "OrganWindow", "OrganGlass",
    "BigCross", "Cross", "Object32", "Altar_Stuff", "AltarStuff2", "AltarBase", "AltarFabric", "Fence",
    "Statue04", "Cylinder13", "Statue02", "Cylinder09", "Statue", "Cylinder01",
    "Statue05", "Cylinder16", "Statue06", "Cylinder18", "Statue07", "Cylinder21",
    "Big_Glasses", "Big_Round_Glass", "RoundGlass",
    "UpperWindowStainedGlass01", "UpperWindowStainedGlass02", "UpperWindowStainedGlass03",
    "UpperWindowStainedGlass04", "UpperWindowStainedGlass05", "UpperWindowStainedGlass06",
    "UpperWindowStainedGlass07", "UpperWindowStainedGlass08", "UpperWindowStainedGlass09",
    "UpperWindowStainedGlass10",
    "UpperWindow01", "UpperWindow02", "UpperWindow03", "UpperWindow04", "UpperWindow05",
    "UpperWindow06", "UpperWindow07", "UpperWindow08", "UpperWindow09", "UpperWindow10",
    "Object39", "Object390",
    "Wall_Lamp01", "Wall_Lamp02", "Wall_Lamp03", "Wall_Lamp04", "Wall_Lamp05", "Wall_Lamp06",
    "Wall_Lamp07", "Wall_Lamp08", "Wall_Lamp09", "Wall_Lamp10", "Wall_Lamp11", "Wall_Lamp12",
    "CandleStick", "CandleStick01", "CandleStick02", "CandleStick03", "CandleStick04", "CandleStick05",
    "CandleStick06", "CandleStick07", "CandleStick08", "CandleStick09", "CandleStick10", "CandleStick11",
    "CandleStick12", "CandleStick13", "CandleStick14", "CandleStick15", "CandleStick16", "CandleStick17",
    "Candle01", "Candle02", "Candle03", "Candle04", "Candle05", "Candle06",
    "Door01", "SmallDoorArch01", "SmallDoor01", "DoorHandle", "DoorHandle01",
    "back_door_left", "back_door_right", "back_door_frame", "back_door_arch",
    "walls_trim_2",
};

}  // namespace

std::vector<ChurchObject> buildChurch() {
    PartMap parts;
    addHallShell(parts);
    addWindowsAndDoors(parts);
    addFurnishings(parts);
    addCandles(parts);
    std::vector<ChurchObject> out;
    for (const char* name : kOrder) {
        auto it = parts.find(name);
        if (it == parts.end()) throw std::logic_error(std::string("church part not built: ") + name);
        out.push_back(std::move(it->second));
        parts.erase(it);
    }
    if (!parts.empty()) throw std::logic_error("church part without a place in the order: " + parts.begin()->first);
    return out;
}

std::vector<d3dx::XFrameDesc> toFrames(const std::string& rootName, const std::vector<ChurchObject>& objects) {
    d3dx::XFrameDesc root;
    root.name = rootName;
    // The reader keeps the first child first and inserts each later one right after it, so writing
    // O1, On, ..., O2 reads back as O1, O2, ..., On.
    auto child = [](const ChurchObject& o) {
        d3dx::XFrameDesc f;
        f.name = o.name;
        f.matrix = o.matrix;
        f.meshes.push_back(o.mesh);
        return f;
    };
    if (!objects.empty()) root.children.push_back(child(objects.front()));
    for (std::size_t i = objects.size(); i-- > 1;) root.children.push_back(child(objects[i]));
    return {root};
}

}  // namespace vm::church
