// EPSG requests on the sample suite's database against PROJ 9 making the same systems in the same
// process, over 200 distinct projected systems that both resolve (drawn once from PROJ's list
// with a throw-away context, so that the timed context's cache starts cold and cannot hold the
// lot): CreateEpsgGeodesy against proj_create("EPSG:<code>") with the system's conversion (the
// like-for-like request) and against proj_create_crs_to_crs from the system's base geographic
// system (what a host would call to convert); GetEpsgParams against proj_create with the
// ellipsoid's parameters. The first request of the process, which opens the database and checks
// the whole file, is timed on its own.
#include <proj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/Contest.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "geodesy/Tellus.h"

namespace {

constexpr size_t kSystems = 200;

struct System {
    int code;
    std::string name, base;  // "EPSG:<code>", its base geographic system "EPSG:<code>"
};

// A PJ that is destroyed with its scope.
struct Pj {
    PJ* p;
    explicit Pj(PJ* p) : p(p) {}
    ~Pj() { proj_destroy(p); }
    Pj(const Pj&) = delete;
    Pj& operator=(const Pj&) = delete;
};

// Projected systems that the library and PROJ both resolve, in a reproducible random order.
std::vector<System> drawSystems() {
    PJ_CONTEXT* context = proj_context_create();
    PROJ_STRING_LIST codes = proj_get_codes_from_database(context, "EPSG", PJ_TYPE_PROJECTED_CRS, 0);
    std::vector<std::string> candidates;
    for (PROJ_STRING_LIST c = codes; c && *c; ++c) candidates.emplace_back(*c);
    proj_string_list_destroy(codes);
    std::shuffle(candidates.begin(), candidates.end(), std::mt19937_64(42));
    std::vector<System> systems;
    for (const std::string& code : candidates) {
        if (systems.size() == kSystems) break;
        GeodesyHandle ours = CreateEpsgGeodesy(std::stoi(code));
        DestroyGeodesy(ours);
        if (!ours) continue;
        System s{std::stoi(code), "EPSG:" + code, {}};
        Pj crs(proj_create(context, s.name.c_str()));
        Pj op(crs.p ? proj_crs_get_coordoperation(context, crs.p) : nullptr);
        Pj base(crs.p ? proj_crs_get_geodetic_crs(context, crs.p) : nullptr);
        const char* baseCode = base.p ? proj_get_id_code(base.p, 0) : nullptr;
        if (!op.p || !baseCode) continue;
        s.base = std::string("EPSG:") + baseCode;
        systems.push_back(s);
    }
    proj_context_destroy(context);
    return systems;
}

PJ_CONTEXT* projContext() {
    static PJ_CONTEXT* context = proj_context_create();
    return context;
}

}  // namespace

int main(int argc, char** argv) {
    // The suite folder of this build tree, unless the caller names another.
    if (!platform::hasEnvironment("KVT_PELAGIX")) {
        platform::setEnvironment("KVT_PELAGIX", TELLUS_SUITE_DIR);
        resetProgramFolder();
    }
    const auto start = std::chrono::steady_clock::now();
    DestroyGeodesy(CreateEpsgGeodesy(27700));
    const std::chrono::duration<double, std::milli> first = std::chrono::steady_clock::now() - start;
    static const std::vector<System> systems = drawSystems();
    const double n = double(systems.size());
    static int failures = 0;

    contest::Contender create{[] {
        for (const System& s : systems) {
            GeodesyHandle h = CreateEpsgGeodesy(s.code);
            failures += !h;
            DestroyGeodesy(h);
        }
    }};
    contest::addRow("CreateEpsgGeodesy vs proj_create + conversion", n, create, {[] {
                        for (const System& s : systems) {
                            Pj crs(proj_create(projContext(), s.name.c_str()));
                            Pj op(crs.p ? proj_crs_get_coordoperation(projContext(), crs.p) : nullptr);
                            failures += !op.p;
                        }
                    }});
    contest::addRow("CreateEpsgGeodesy vs proj_create_crs_to_crs from base", n, create, {[] {
                        for (const System& s : systems) {
                            Pj op(proj_create_crs_to_crs(projContext(), s.base.c_str(), s.name.c_str(), nullptr));
                            failures += !op.p;
                        }
                    }});
    contest::addRow("GetEpsgParams vs proj_create + ellipsoid", n, {[] {
                        for (const System& s : systems) {
                            EpsgParams record{sizeof(EpsgParams), 0, 0, 0, 0};
                            failures += !GetEpsgParams(s.code, &record);
                        }
                    }},
                    {[] {
                        for (const System& s : systems) {
                            Pj crs(proj_create(projContext(), s.name.c_str()));
                            Pj ellipsoid(crs.p ? proj_get_ellipsoid(projContext(), crs.p) : nullptr);
                            double a = 0, b = 0, invF = 0;
                            int computed = 0;
                            failures += !ellipsoid.p || !proj_ellipsoid_get_parameters(projContext(), ellipsoid.p, &a,
                                                                                        &b, &computed, &invF);
                        }
                    }});
    std::string title = "EPSG requests, " + std::to_string(systems.size()) + " distinct projected systems a run";
    int status = contest::run(argc, argv, title.c_str());
    std::printf("The process's first CreateEpsgGeodesy (open, checks, whole file): %.1f ms\n", first.count());
    if (failures) std::printf("%d requests failed while timed: the figures above are not comparable\n", failures);
    return status;
}
