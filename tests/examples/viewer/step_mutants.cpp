// Writes malformed STEP files for pelmora-view's robustness test: each file
// is a sound model (the given STEP file, or a small cylinder written here)
// with one fault of the kinds met in the wild or known to upset Open
// CASCADE's translator and mesher: wrong parameter lists, entities naming
// themselves, cycles and deep chains of references, huge numbers, swapped
// entity types, truncation. The same seed always gives the same files.
//     step_mutants BASE.step OUT_DIR COUNT [SEED]
// With --fixed, it writes two files whose outcome is known instead: a
// circle of radius 1e300 crashes the STEP reader, a cylinder of radius
// 1e300 sends the mesher into a loop that never ends.
//     step_mutants --fixed OUT_DIR
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

class Rng {  // splitmix64: the same numbers on every platform
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    size_t below(size_t n) {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return n ? size_t((z ^ (z >> 31)) % n) : 0;
    }

private:
    uint64_t state_;
};

struct Record {
    int id;
    std::string body;  // after "#id = ", without the ';'
};

struct Model {
    std::string header;  // up to and with "DATA;"
    std::vector<Record> records;
    size_t cut = std::string::npos;  // truncation of the written text
};

// A simple record's type and top-level parameters; type is empty for the
// complex ones, "( A() B() )", which the mutations leave alone.
struct Parts {
    std::string type;
    std::vector<std::string> params;
};

const char* const kCylinder =
    "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION((''),'2;1');\nFILE_NAME('cylinder','',(''),(''),'','','');\n"
    "FILE_SCHEMA(('AUTOMOTIVE_DESIGN { 1 0 10303 214 1 1 1 1 }'));\nENDSEC;\nDATA;\n"
    "#1 = ADVANCED_BREP_SHAPE_REPRESENTATION('',(#2),#40);\n#2 = MANIFOLD_SOLID_BREP('',#3);\n"
    "#3 = CLOSED_SHELL('',(#4,#20,#30));\n#4 = ADVANCED_FACE('',(#5,#6),#10,.T.);\n"
    "#5 = FACE_BOUND('',#7,.T.);\n#6 = FACE_BOUND('',#8,.T.);\n#7 = EDGE_LOOP('',(#15));\n"
    "#8 = EDGE_LOOP('',(#21));\n#10 = CYLINDRICAL_SURFACE('',#11,10.);\n"
    "#11 = AXIS2_PLACEMENT_3D('',#12,#13,#14);\n#12 = CARTESIAN_POINT('',(0.,0.,0.));\n"
    "#13 = DIRECTION('',(0.,0.,1.));\n#14 = DIRECTION('',(1.,0.,0.));\n#15 = ORIENTED_EDGE('',*,*,#16,.T.);\n"
    "#16 = EDGE_CURVE('',#17,#17,#18,.T.);\n#17 = VERTEX_POINT('',#19);\n#18 = CIRCLE('',#11,10.);\n"
    "#19 = CARTESIAN_POINT('',(10.,0.,0.));\n#20 = ADVANCED_FACE('',(#28),#29,.F.);\n"
    "#21 = ORIENTED_EDGE('',*,*,#22,.F.);\n#22 = EDGE_CURVE('',#23,#23,#24,.T.);\n#23 = VERTEX_POINT('',#25);\n"
    "#24 = CIRCLE('',#26,10.);\n#25 = CARTESIAN_POINT('',(10.,0.,20.));\n#26 = AXIS2_PLACEMENT_3D('',#27,#13,#14);\n"
    "#27 = CARTESIAN_POINT('',(0.,0.,20.));\n#28 = FACE_BOUND('',#7,.T.);\n#29 = PLANE('',#11);\n"
    "#30 = ADVANCED_FACE('',(#31),#32,.T.);\n#31 = FACE_BOUND('',#8,.T.);\n#32 = PLANE('',#26);\n"
    "#40 = ( GEOMETRIC_REPRESENTATION_CONTEXT(3) GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT((#41))\n"
    "  GLOBAL_UNIT_ASSIGNED_CONTEXT((#42,#43,#44)) REPRESENTATION_CONTEXT('','') );\n"
    "#41 = UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-07),#42,'distance_accuracy_value','');\n"
    "#42 = ( LENGTH_UNIT() NAMED_UNIT(*) SI_UNIT(.MILLI.,.METRE.) );\n"
    "#43 = ( NAMED_UNIT(*) PLANE_ANGLE_UNIT() SI_UNIT($,.RADIAN.) );\n"
    "#44 = ( NAMED_UNIT(*) SI_UNIT($,.STERADIAN.) SOLID_ANGLE_UNIT() );\n"
    "#51 = SHAPE_DEFINITION_REPRESENTATION(#52,#1);\n#52 = PRODUCT_DEFINITION_SHAPE('','',#53);\n"
    "#53 = PRODUCT_DEFINITION('design','',#54,#57);\n#54 = PRODUCT_DEFINITION_FORMATION('','',#55);\n"
    "#55 = PRODUCT('Cylinder','Cylinder','',(#56));\n#56 = PRODUCT_CONTEXT('',#58,'mechanical');\n"
    "#57 = PRODUCT_DEFINITION_CONTEXT('part definition',#58,'design');\n"
    "#58 = APPLICATION_CONTEXT('core data for automotive mechanical design processes');\nENDSEC;\n"
    "END-ISO-10303-21;\n";

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \r\n\t");
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \r\n\t") - first + 1);
}

Model parse(const std::string& text) {
    Model model;
    const size_t data = text.find("DATA;") + 5;
    model.header = text.substr(0, data);
    std::string record;
    bool quoted = false;
    for (size_t i = data; i < text.size(); ++i) {
        const char c = text[i];
        quoted = c == '\'' ? !quoted : quoted;
        if (c != ';' || quoted) {
            record += c;
            continue;
        }
        record = trim(record);
        if (record.empty() || record[0] != '#') break;  // ENDSEC
        const size_t equals = record.find('=');
        model.records.push_back({std::stoi(record.substr(1)), trim(record.substr(equals + 1))});
        record.clear();
    }
    return model;
}

std::string write(const Model& model) {
    std::string text = model.header + "\n";
    for (const Record& r : model.records) text += "#" + std::to_string(r.id) + " = " + r.body + ";\n";
    text += "ENDSEC;\nEND-ISO-10303-21;\n";
    return text.substr(0, model.cut);
}

Parts split(const std::string& body) {
    Parts parts;
    const size_t open = body.find('(');
    if (open == 0 || open == std::string::npos) return parts;
    parts.type = body.substr(0, open);
    int depth = 0;
    bool quoted = false;
    std::string param;
    for (size_t i = open + 1; i + 1 < body.size(); ++i) {
        const char c = body[i];
        quoted = c == '\'' ? !quoted : quoted;
        if (!quoted) depth += (c == '(') - (c == ')');
        if (c == ',' && depth == 0 && !quoted) parts.params.push_back(param), param.clear();
        else param += c;
    }
    parts.params.push_back(param);
    return parts;
}

std::string join(const Parts& parts) {
    std::string body = parts.type + "(";
    for (size_t i = 0; i < parts.params.size(); ++i) body += (i ? "," : "") + parts.params[i];
    return body + ")";
}

std::vector<size_t> references(const Parts& parts) {
    std::vector<size_t> found;
    for (size_t i = 0; i < parts.params.size(); ++i)
        if (!parts.params[i].empty() && parts.params[i][0] == '#') found.push_back(i);
    return found;
}

// A random record that fits, half of the time one of the preferred types:
// faults there reach the translator's and the mesher's deepest code.
template <class Fits>
size_t pick(const Model& model, Rng& rng, const std::regex& preferred, Fits fits) {
    const bool wantPreferred = rng.below(2) == 0;
    for (;;) {
        const size_t i = rng.below(model.records.size());
        const Parts parts = split(model.records[i].body);
        if (fits(parts) && (!wantPreferred || std::regex_match(parts.type, preferred))) return i;
    }
}

const std::regex kGeometric("LINE|CIRCLE|SURFACE_CURVE|SEAM_CURVE|EDGE_CURVE|PCURVE|.*_SURFACE|VECTOR|"
                            "B_SPLINE_CURVE_WITH_KNOTS|AXIS2_PLACEMENT_3D|ORIENTED_EDGE|ADVANCED_FACE");

size_t pickWithReference(const Model& model, Rng& rng) {
    return pick(model, rng, kGeometric, [](const Parts& parts) { return !references(parts).empty(); });
}

size_t pickSimple(const Model& model, Rng& rng) {
    return pick(model, rng, kGeometric, [](const Parts& parts) { return !parts.type.empty(); });
}

// Replaces one of a record's references.
void replaceReference(Record* record, const std::string& with, Rng& rng) {
    Parts parts = split(record->body);
    const std::vector<size_t> refs = references(parts);
    parts.params[refs[rng.below(refs.size())]] = with;
    record->body = join(parts);
}

std::string ref(int id) { return "#" + std::to_string(id); }

void dropParameter(Model& m, Rng& rng) {
    Record& r = m.records[pickSimple(m, rng)];
    Parts parts = split(r.body);
    parts.params.erase(parts.params.begin() + long(rng.below(parts.params.size())));
    r.body = join(parts);
}

void extraParameter(Model& m, Rng& rng) {
    static const char* const extras[] = {"#1", "0.", "'x'", "$", ".T.", "(#2,#3)", "*"};
    Record& r = m.records[pickSimple(m, rng)];
    Parts parts = split(r.body);
    parts.params.insert(parts.params.begin() + long(rng.below(parts.params.size() + 1)), extras[rng.below(7)]);
    r.body = join(parts);
}

void selfReference(Model& m, Rng& rng) {
    Record& r = m.records[pickWithReference(m, rng)];
    replaceReference(&r, ref(r.id), rng);
}

void wrongReference(Model& m, Rng& rng) {
    const int other = m.records[rng.below(m.records.size())].id;
    replaceReference(&m.records[pickWithReference(m, rng)], ref(other), rng);
}

void missingReference(Model& m, Rng& rng) { replaceReference(&m.records[pickWithReference(m, rng)], "#99999999", rng); }

// Radii and coordinates out of all proportion: 1.E400 reads as infinity.
void hugeNumber(Model& m, Rng& rng) {
    static const std::regex real("[-+]?[0-9]+\\.[0-9]*(E[-+]?[0-9]+)?");
    static const std::regex sized("CIRCLE|CYLINDRICAL_SURFACE|TOROIDAL_SURFACE|CARTESIAN_POINT|VECTOR");
    static const char* const values[] = {"1.E300", "-1.E300", "1.E400", "-1.E400", "1.E-320", "0.", "1.E18"};
    Record& r = m.records[pick(m, rng, sized, [](const Parts& parts) {
        return std::regex_search(join(parts), real) && !parts.type.empty();
    })];
    std::vector<std::pair<size_t, size_t>> found;  // where each number is, and its length
    for (auto it = std::sregex_iterator(r.body.begin(), r.body.end(), real); it != std::sregex_iterator(); ++it)
        found.emplace_back(size_t(it->position()), size_t(it->length()));
    const auto [at, length] = found[rng.below(found.size())];
    r.body.replace(at, length, values[rng.below(7)]);
}

void swapType(Model& m, Rng& rng) {
    Record& r = m.records[pickSimple(m, rng)];
    Parts parts = split(r.body);
    parts.type = split(m.records[pickSimple(m, rng)].body).type;
    r.body = join(parts);
}

void truncate(Model& m, Rng& rng) { m.cut = rng.below(write(m).size()); }

void deleteRecord(Model& m, Rng& rng) { m.records.erase(m.records.begin() + long(rng.below(m.records.size()))); }

// A references B, and B's reference now leads back to A.
void cycle(Model& m, Rng& rng) {
    const size_t a = pickWithReference(m, rng);
    const Parts parts = split(m.records[a].body);
    const std::vector<size_t> refs = references(parts);
    const int target = std::stoi(parts.params[refs[rng.below(refs.size())]].substr(1));
    for (Record& b : m.records)
        if (b.id == target && !references(split(b.body)).empty()) replaceReference(&b, ref(m.records[a].id), rng);
}

// A record's reference runs through thousands of copies of the record
// before it reaches what it named.
void deepChain(Model& m, Rng& rng) {
    Record& head = m.records[pickWithReference(m, rng)];
    Parts parts = split(head.body);
    const std::vector<size_t> refs = references(parts);
    const size_t param = refs[rng.below(refs.size())];
    const std::string end = parts.params[param];
    const int depth = 2000 + int(rng.below(40000));
    int first = 0;
    for (const Record& r : m.records) first = std::max(first, r.id + 1);
    parts.params[param] = ref(first);
    head.body = join(parts);
    for (int i = 0; i < depth; ++i) {
        parts.params[param] = i + 1 < depth ? ref(first + i + 1) : end;
        m.records.push_back({first + i, join(parts)});
    }
}

void deepNesting(Model& m, Rng& rng) {
    Record& r = m.records[pickSimple(m, rng)];
    Parts parts = split(r.body);
    const size_t depth = 1000 + rng.below(30000);
    parts.params[rng.below(parts.params.size())] = std::string(depth, '(') + "#1" + std::string(depth, ')');
    r.body = join(parts);
}

struct Kind {
    const char* name;
    void (*mutate)(Model&, Rng&);
};

const Kind kKinds[] = {{"drop-parameter", dropParameter},     {"extra-parameter", extraParameter},
                       {"self-reference", selfReference},     {"wrong-reference", wrongReference},
                       {"missing-reference", missingReference}, {"huge-number", hugeNumber},
                       {"swap-type", swapType},               {"truncate", truncate},
                       {"delete-record", deleteRecord},       {"cycle", cycle},
                       {"deep-chain", deepChain},             {"deep-nesting", deepNesting}};

void writeFile(const std::string& path, const Model& model) { std::ofstream(path, std::ios::binary) << write(model); }

// The cylinder with one record replaced.
Model cylinderWith(int id, const std::string& body) {
    Model model = parse(kCylinder);
    for (Record& r : model.records)
        if (r.id == id) r.body = body;
    return model;
}

void writeFixed(const std::string& folder) {
    writeFile(folder + "/circle-radius.step", cylinderWith(18, "CIRCLE('',#11,1.E300)"));
    writeFile(folder + "/cylinder-radius.step", cylinderWith(10, "CYLINDRICAL_SURFACE('',#11,1.E300)"));
}

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--fixed") {
        writeFixed(argv[2]);
        return 0;
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: step_mutants BASE.step OUT_DIR COUNT [SEED] | --fixed OUT_DIR\n");
        return 2;
    }
    const std::string base = readFile(argv[1]);
    if (base.find("DATA;") == std::string::npos) {
        std::fprintf(stderr, "step_mutants: %s is no STEP file\n", argv[1]);
        return 1;
    }
    const Model bases[] = {parse(base), parse(kCylinder)};
    const int count = std::atoi(argv[3]);
    Rng rng(argc > 4 ? std::stoull(argv[4]) : 1);
    const size_t kinds = sizeof kKinds / sizeof kKinds[0];
    for (int i = 0; i < count; ++i) {
        // Every kind in turn; one file in three on the small cylinder.
        const Kind& kind = kKinds[size_t(i) % kinds];
        Model model = bases[i % 3 == 2];
        kind.mutate(model, rng);
        char name[64];
        std::snprintf(name, sizeof name, "/%03d-%s.step", i, kind.name);
        writeFile(argv[2] + std::string(name), model);
    }
    return 0;
}
