// The one palette of every sheet, and the nearest entry to a colour.
#include "palette.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

// Plain arithmetic for building the table; drawing code uses shade() and mix(),
// which land back on the table.
Rgb scaled(Rgb colour, double factor) {
    auto channel = [factor](uint8_t value) {
        return static_cast<uint8_t>(
            std::clamp(static_cast<int>(std::lround(value * factor)), 0, 255));
    };
    return {channel(colour.r), channel(colour.g), channel(colour.b)};
}

Rgb blend(Rgb a, Rgb b, double amount) {
    auto channel = [amount](uint8_t from, uint8_t to) {
        return static_cast<uint8_t>(std::lround(from + (to - from) * amount));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

class Table {
  public:
    void add(Rgb colour) {
        if (std::find(colours_.begin(), colours_.end(), colour) == colours_.end()) {
            colours_.push_back(colour);
        }
    }
    void add(std::initializer_list<Rgb> colours) {
        for (Rgb colour : colours) {
            add(colour);
        }
    }
    // A material lit and shaded: the base colour times each factor.
    void ramp(Rgb base, std::initializer_list<double> factors) {
        for (double factor : factors) {
            add(scaled(base, factor));
        }
    }
    // `steps` evenly spaced colours from `a` to `b`, both ends included.
    void gradient(Rgb a, Rgb b, int steps) {
        for (int i = 0; i < steps; ++i) {
            add(blend(a, b, i / (steps - 1.0)));
        }
    }
    std::vector<Rgb> colours_;
};

std::vector<Rgb> buildPalette() {
    Table t;
    t.add({kKey, {0, 0, 0}});

    // Near-blacks: eyes, hooves, manes and tails of the dark coats, outlines.
    t.add({{16, 12, 10}, {24, 20, 20}, {30, 24, 22}, {34, 26, 22}, {40, 32, 28}});
    // Whites and greys: blazes, breeches, rails, the stall frame, the grey coat's
    // points.
    t.add({{255, 255, 255},
           {246, 246, 240},
           {236, 236, 232},
           {210, 210, 214},
           {190, 192, 196},
           {176, 176, 174},
           {164, 164, 160},
           {150, 150, 156},
           {132, 132, 140},
           {96, 96, 102},
           {60, 64, 70},
           {34, 40, 44}});

    // Coats: bay, chestnut, dark bay, black, grey, palomino. Outline, far side,
    // shadow, near hind leg, body, rim light.
    for (Rgb coat : {Rgb{156, 86, 42}, Rgb{184, 96, 46}, Rgb{96, 54, 34}, Rgb{50, 46, 50},
                     Rgb{200, 200, 204}, Rgb{216, 170, 86}}) {
        t.ramp(coat, {0.25, 0.74, 0.86, 0.95, 1.0, 1.16});
    }
    // The light manes and tails: chestnut, palomino.
    t.ramp({150, 70, 34}, {0.8, 1.0, 1.1});
    t.ramp({246, 236, 204}, {0.8, 1.0, 1.1});
    // Tack and rider: saddle cloth and its piping, saddle, girth, bridle,
    // skin, goggles and their glint, stirrup leather.
    t.add({{36, 48, 96},
           {84, 100, 160},
           {52, 34, 26},
           {92, 62, 40},
           {70, 40, 24},
           {236, 190, 150},
           {40, 40, 60},
           {170, 200, 230},
           {120, 70, 40}});

    // Silks, also the caps: shadow, colour, light.
    const Rgb silks[] = {{212, 28, 36},  {246, 246, 240}, {34, 68, 200},  {252, 214, 28},
                         {18, 132, 62},  {30, 30, 36},    {246, 124, 22}, {246, 128, 182},
                         {112, 48, 152}, {112, 184, 244}, {124, 22, 42},  {150, 220, 70}};
    for (Rgb colour : silks) {
        t.ramp(colour, {0.8, 1.0, 1.08});
    }
    // The shine on a coloured cap.
    for (int i : {0, 2, 3, 4, 6, 7}) {
        t.add(blend(silks[i], {246, 246, 240}, 0.55));
    }

    // Stall pads and the dirt rail's posts.
    t.ramp({44, 132, 82}, {0.75, 1.0, 1.2});

    // Turf: light and dark mowing stripes, the seam between them, grass blades.
    t.add({{86, 162, 66}, {78, 151, 60}, {70, 140, 54}, {56, 112, 43}});
    // Sand: hoof-print hollows and their edges, dark grit, harrow marks, the
    // surface, light grit.
    t.ramp({186, 146, 102}, {0.74, 0.84, 0.88, 0.92, 1.0, 1.04});

    // Backdrop: sky in bands, cloud, hills, trees, the grandstand.
    t.gradient({104, 164, 232}, {196, 224, 246}, 8);
    t.add({{236, 244, 252}, {246, 250, 254}});
    t.add({{120, 150, 160}, {48, 100, 60}, {70, 128, 76}});
    t.add({{200, 60, 50}, {120, 36, 30}, {60, 58, 64}});
    t.gradient({150, 146, 140}, {90, 88, 92}, 4);
    t.add({{228, 222, 204}, {140, 132, 118}});
    // The crowd, lit at the front and in the roof's shade at the back.
    for (Rgb person :
         {Rgb{220, 60, 50}, Rgb{240, 240, 230}, Rgb{60, 80, 160}, Rgb{230, 200, 60},
          Rgb{230, 180, 140}, Rgb{120, 160, 90}, Rgb{170, 90, 140}, Rgb{214, 170, 130}}) {
        t.ramp(person, {0.7, 1.0});
    }
    return t.colours_;
}

int distance(Rgb a, Rgb b) {
    int dr = a.r - b.r;
    int dg = a.g - b.g;
    int db = a.b - b.b;
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

} // namespace

const std::vector<Rgb>& palette() {
    static const std::vector<Rgb> table = buildPalette();
    return table;
}

Rgb snap(Rgb colour) {
    if (colour == kKey) {
        return kKey;
    }
    static std::unordered_map<uint32_t, Rgb> known;
    uint32_t packed = static_cast<uint32_t>(colour.r) << 16 | colour.g << 8 | colour.b;
    auto found = known.find(packed);
    if (found != known.end()) {
        return found->second;
    }
    Rgb best = colour;
    int bestDistance = -1;
    for (Rgb entry : palette()) {
        int d = distance(colour, entry);
        if (entry != kKey && (bestDistance < 0 || d < bestDistance)) {
            best = entry;
            bestDistance = d;
        }
    }
    known.emplace(packed, best);
    return best;
}
