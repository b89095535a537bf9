// Building the projection of a GeodesyParams record by its projection id.
#pragma once

#include <memory>

#include "geodesy/TellusRecords.h"
#include "geodesy/projections/Projection.h"

// The projection class of `params.projectionId`, built from the record. An id that names no
// class throws erc code 5; a class's own refusal (code 7) passes through.
std::unique_ptr<Projection> CreateProjection(const GeodesyParams& params);

