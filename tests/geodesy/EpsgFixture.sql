-- A small fixed predefined-parameter database (on the tables of datum/schema.sql) in which every
-- EPSG case is exact. Codes 900001.. are projected systems, 910001.. systems to describe.

INSERT INTO epsg_unitofmeasure (uom_code, unit_of_meas_name, unit_of_meas_type, target_uom_code, factor_b, factor_c) VALUES
    (9001, 'metre', 'length', 9001, 1, 1),
    -- The EPSG dataset's own form of the US survey foot.
    (9003, 'US survey foot', 'length', 9001, 12, 39.37),
    (9101, 'radian', 'angle', 9101, 1, 1),
    (9102, 'degree', 'angle', 9101, 3.14159265358979, 180),
    (9107, 'degree minute second', 'angle', 9101, NULL, NULL),
    (9110, 'sexagesimal DMS', 'angle', 9101, NULL, NULL),
    (9201, 'unity', 'scale', 9201, 1, 1),
    (9998, 'broken length', 'length', 9001, 1, 0);

INSERT INTO gp_ellipsoids (id, name, a, one_over_f, _epsg_code) VALUES
    (1, 'Airy 1830', 6377563.396, 299.3249646, 7001),
    (2, 'GRS 1980', 6378137.0, 298.257222101, 7019),
    (36, 'WGS 84', 6378137.0, 298.257223563, 7030);

INSERT INTO gp_projections_epsg (_epsg_code, gpid) VALUES (9801, 1), (9802, 1), (9807, 3);

INSERT INTO epsg_coordinateaxis (coord_sys_code, coord_axis_order, uom_code) VALUES
    (4400, 1, 9001), (4400, 2, 9001),
    (4497, 1, 9003), (4497, 2, 9003),
    (9990, 1, 9999), (9990, 2, 9999),
    (9991, 1, 9101), (9991, 2, 9101);

INSERT INTO epsg_corvane (coord_ref_sys_code, ellipsoid_code, coord_op_method_code, coord_sys_code,
                          parameter_order, parameter_code, parameter_name, parameter_value, uom_code, unit_of_meas_name) VALUES
    -- Transverse Mercator in metres and degrees (the British National Grid's values).
    (900001, 7001, 9807, 4400, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900001, 7001, 9807, 4400, 2, 8802, 'Longitude of natural origin', -2.0, 9102, 'degree'),
    (900001, 7001, 9807, 4400, 3, 8805, 'Scale factor at natural origin', 0.9996012717, 9201, 'unity'),
    (900001, 7001, 9807, 4400, 4, 8806, 'False easting', 400000.0, 9001, 'metre'),
    (900001, 7001, 9807, 4400, 5, 8807, 'False northing', -100000.0, 9001, 'metre'),
    -- Lambert 2SP in US survey feet, sexagesimal angles (California zone 3).
    (900002, 7019, 9802, 4497, 1, 8821, 'Latitude of false origin', 36.3, 9110, 'sexagesimal DMS'),
    (900002, 7019, 9802, 4497, 2, 8822, 'Longitude of false origin', -120.3, 9110, 'sexagesimal DMS'),
    (900002, 7019, 9802, 4497, 3, 8823, 'Latitude of 1st standard parallel', 38.26, 9110, 'sexagesimal DMS'),
    (900002, 7019, 9802, 4497, 4, 8824, 'Latitude of 2nd standard parallel', 37.04, 9110, 'sexagesimal DMS'),
    (900002, 7019, 9802, 4497, 5, 8826, 'Easting at false origin', 6561666.667, 9003, 'US survey foot'),
    (900002, 7019, 9802, 4497, 6, 8827, 'Northing at false origin', 1640416.667, 9003, 'US survey foot'),
    -- Lambert 1SP without parallel rows.
    (900003, 7019, 9801, 4400, 1, 8801, 'Latitude of natural origin', 16.49, 9110, 'sexagesimal DMS'),
    (900003, 7019, 9801, 4400, 2, 8802, 'Longitude of natural origin', -90.2, 9110, 'sexagesimal DMS'),
    (900003, 7019, 9801, 4400, 3, 8805, 'Scale factor at natural origin', 0.99992226, 9201, 'unity'),
    (900003, 7019, 9801, 4400, 4, 8806, 'False easting', 500000.0, 9001, 'metre'),
    (900003, 7019, 9801, 4400, 5, 8807, 'False northing', 292209.579, 9001, 'metre'),
    -- An azimuth the record cannot take.
    (900004, 7001, 9807, 4400, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900004, 7001, 9807, 4400, 2, 8813, 'Azimuth of initial line', 45.0, 9102, 'degree'),
    -- Axes in a unit the database does not know.
    (900005, 7001, 9807, 9990, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    -- A parameter in a unit without factors.
    (900006, 7001, 9807, 4400, 1, 8801, 'Latitude of natural origin', 49.0, 9107, 'degree minute second'),
    -- An ellipsoid and a method the database does not hold.
    (900007, 7999, 9807, 4400, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900008, 7001, 9815, 4400, 1, 8811, 'Latitude of projection centre', 49.0, 9102, 'degree'),
    -- A false easting in a unit with a zero factor.
    (900009, 7001, 9807, 4400, 1, 8806, 'False easting', 1000.0, 9998, 'broken length'),
    -- A coordinate system without axes, and one in an angle unit.
    (900010, 7001, 9807, 9992, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900011, 7001, 9807, 9991, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    -- False origin in metres for a system in US survey feet.
    (900012, 7001, 9807, 4497, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900012, 7001, 9807, 4497, 2, 8802, 'Longitude of natural origin', -2.0, 9102, 'degree'),
    (900012, 7001, 9807, 4497, 3, 8805, 'Scale factor at natural origin', 1.0, 9201, 'unity'),
    (900012, 7001, 9807, 4497, 4, 8806, 'False easting', 300000.0, 9001, 'metre'),
    (900012, 7001, 9807, 4497, 5, 8807, 'False northing', 1000.0, 9003, 'US survey foot'),
    -- Transverse Mercator without its scale factor, and with its false easting twice.
    (900013, 7001, 9807, 4400, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900013, 7001, 9807, 4400, 2, 8802, 'Longitude of natural origin', -2.0, 9102, 'degree'),
    (900013, 7001, 9807, 4400, 3, 8806, 'False easting', 400000.0, 9001, 'metre'),
    (900013, 7001, 9807, 4400, 4, 8807, 'False northing', -100000.0, 9001, 'metre'),
    (900014, 7001, 9807, 4400, 1, 8801, 'Latitude of natural origin', 49.0, 9102, 'degree'),
    (900014, 7001, 9807, 4400, 2, 8802, 'Longitude of natural origin', -2.0, 9102, 'degree'),
    (900014, 7001, 9807, 4400, 3, 8805, 'Scale factor at natural origin', 0.9996012717, 9201, 'unity'),
    (900014, 7001, 9807, 4400, 4, 8806, 'False easting', 400000.0, 9001, 'metre'),
    (900014, 7001, 9807, 4400, 5, 8806, 'False easting', 400000.0, 9001, 'metre'),
    (900014, 7001, 9807, 4400, 6, 8807, 'False northing', -100000.0, 9001, 'metre');
UPDATE epsg_corvane SET coord_ref_sys_name = 'Projected ' || coord_ref_sys_code;
-- 900001 with its latitude in a unit that is no angle, whose factors would leave 0.5 as radians.
INSERT INTO epsg_corvane (coord_ref_sys_code, coord_ref_sys_name, ellipsoid_code, coord_op_method_code, coord_sys_code,
                          parameter_order, parameter_code, parameter_name, parameter_value, uom_code, unit_of_meas_name)
SELECT 900016, 'Projected 900016', ellipsoid_code, coord_op_method_code, coord_sys_code, parameter_order, parameter_code,
       parameter_name, iif(parameter_code = 8801, 0.5, parameter_value), iif(parameter_code = 8801, 9201, uom_code),
       iif(parameter_code = 8801, 'unity', unit_of_meas_name)
FROM epsg_corvane WHERE coord_ref_sys_code = 900001;

INSERT INTO epsg_datum (datum_code, datum_name, datum_type, ellipsoid_code, prime_meridian_code, deprecated) VALUES
    (920001, 'Airy datum', 'geodetic', 7001, 8901, 0),
    (920002, 'Height datum', 'vertical', NULL, NULL, 0),
    (920003, 'GRS 1980 datum', 'geodetic', 7019, 8901, 0),
    (920004, 'Datum of an unknown ellipsoid', 'geodetic', 7999, 8901, 0);

INSERT INTO epsg_coordinatereferencesystem (coord_ref_sys_code, coord_ref_sys_name, coord_ref_sys_kind,
                                            datum_code, source_geogcrs_code, deprecated) VALUES
    (910001, 'Airy geographic', 'geographic 2D', 920001, NULL, 0),
    (910002, 'Airy projected', 'PROJECTED', NULL, 910001, 0),
    (910003, 'Deprecated geographic', 'geographic 2D', 920001, NULL, 1),
    (910004, 'Derived', 'derived', 920001, NULL, 0),
    (910005, 'Height', 'vertical', 920002, NULL, 0),
    (910006, 'Site grid', 'Engineering', NULL, NULL, 0),
    (910007, 'Own datum, Airy base', 'projected', 920003, 910001, 0),
    (910008, 'Kind missing', NULL, 920001, NULL, 0),
    (910009, 'Unknown ellipsoid', 'geographic 3D', 920004, NULL, 0),
    (910010, 'Geocentric', 'geocentric', 920003, NULL, 0),
    (910011, 'Compound', 'compound', NULL, NULL, 0),
    (910012, 'GRS 1980 geographic', 'geographic 2D', 920003, NULL, 0),
    -- Bases or datums that are not there.
    (910013, 'Base missing', 'projected', NULL, 919999, 0),
    (910014, 'Datum missing', 'geographic 2D', 929999, NULL, 0),
    (910015, 'Base of a missing datum', 'projected', NULL, 910014, 0);

-- Each projected system's own row, on a base of its ellipsoid; 900015 names a missing base.
INSERT INTO epsg_coordinatereferencesystem (coord_ref_sys_code, coord_ref_sys_name, coord_ref_sys_kind,
                                            coord_sys_code, source_geogcrs_code, deprecated)
SELECT DISTINCT coord_ref_sys_code, coord_ref_sys_name, 'projected', coord_sys_code,
       CASE ellipsoid_code WHEN 7001 THEN 910001 WHEN 7019 THEN 910012 ELSE 910009 END, 0
FROM epsg_corvane;
INSERT INTO epsg_corvane (coord_ref_sys_code, coord_ref_sys_name, ellipsoid_code, coord_op_method_code,
                          coord_sys_code, parameter_order, parameter_code, parameter_name, parameter_value, uom_code)
SELECT 900015, 'Projected 900015', ellipsoid_code, coord_op_method_code, coord_sys_code, parameter_order,
       parameter_code, parameter_name, parameter_value, uom_code FROM epsg_corvane WHERE coord_ref_sys_code = 900001;
INSERT INTO epsg_coordinatereferencesystem (coord_ref_sys_code, coord_ref_sys_name, coord_ref_sys_kind,
                                            coord_sys_code, source_geogcrs_code, deprecated)
VALUES (900015, 'Projected 900015', 'projected', 4400, 919999, 0);

INSERT INTO gp_zones (id, name, crs_id, proj_id, numpar, hunit_id, ellip_id, epsg_code) VALUES
    (7, 'Zone with a code', 1, 3, 0, 1, 1, 900001),
    (8, 'Zone without a code', 1, 3, 0, 1, 1, NULL);
