// What the EPSG exports answer for one code, for comparing a damaged database with the undamaged
// one byte for byte: the created record (or the failure's code) and the description (or its code).
#pragma once

#include <cstring>

#include "geodesy/Tellus.h"

struct EpsgAnswer {
    int createCode = 0;
    GeodesyParams record{};
    int describeCode = 0;
    EpsgParams description{sizeof(EpsgParams), 0, 0, 0, 0};
};

inline EpsgAnswer epsgAnswerFor(int code) {
    EpsgAnswer a;
    if (GeodesyHandle h = CreateEpsgGeodesy(code)) {
        GetGeodesyParams(h, &a.record, nullptr, nullptr);
        DestroyGeodesy(h);
    } else {
        a.createCode = GetGeodesyError();
    }
    if (!GetEpsgParams(code, &a.description)) a.describeCode = GetGeodesyError();
    return a;
}

inline bool sameEpsgAnswer(const EpsgAnswer& a, const EpsgAnswer& b) {
    return a.createCode == b.createCode && std::memcmp(&a.record, &b.record, sizeof a.record) == 0 &&
           a.describeCode == b.describeCode &&
           std::memcmp(&a.description, &b.description, sizeof a.description) == 0;
}
