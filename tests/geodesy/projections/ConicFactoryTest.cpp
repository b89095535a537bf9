#include <gtest/gtest.h>

#include "geodesy/projections/ProjectionFactory.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

// Each id builds its class, which reports the same id and its code; refusals pass through.
TEST(ProjectionFactory, ConicAndAzimuthalIds) {
    struct Case {
        int id;
        const char* code;
    };
    for (Case c : {Case{1, "LCC"}, Case{2, "MER"}, Case{4, "OST"}, Case{9, "CME"}, Case{10, "ALA"},
                   Case{12, "PST"}}) {
        GeodesyParams p = paramsOf({.id = c.id, .referenceLatitude = 45, .northParallel = 30, .southParallel = 60});
        std::unique_ptr<Projection> projection = CreateProjection(p);
        EXPECT_EQ(projection->Id(), c.id);
        EXPECT_STREQ(projection->Code(), c.code);
        EXPECT_EQ(projection->Params().projectionId, c.id);
    }
    GeodesyParams bad = paramsOf({.id = 1, .northParallel = 20, .southParallel = -20});
    try {
        CreateProjection(bad);
        ADD_FAILURE() << "symmetric parallels built";
    } catch (erc& e) {
        EXPECT_EQ(e.release(), 7);
    }
}

}  // namespace
