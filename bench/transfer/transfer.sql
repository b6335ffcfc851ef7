-- The emission-data transfer as one SQL statement on a service's store: the
-- same rules as Varnok (fill missing power and volume from positive log
-- values, the class from the 17 codes of 23 characters, the mass from a
-- positive log mass; mark rows still without a class with -1), in one
-- transaction, writing only rows that change.
PRAGMA synchronous = FULL;  -- as the client library runs its stores
WITH RECURSIVE classes(class, code) AS (
    SELECT 1, printf('%023d', 1)
    UNION ALL
    SELECT class + 1, printf('%023d', class + 1) FROM classes WHERE class < 17
)
UPDATE "CAR.GEPJARMU" AS vehicle SET
    GJ_TELJESITMENY = CASE WHEN vehicle.GJ_TELJESITMENY = '' AND source.power > 0
                           THEN CAST(source.power AS TEXT) ELSE vehicle.GJ_TELJESITMENY END,
    GJ_TERFOGAT = CASE WHEN vehicle.GJ_TERFOGAT = '' AND source.volume > 0
                       THEN CAST(source.volume AS TEXT) ELSE vehicle.GJ_TERFOGAT END,
    EMC_ID = CASE WHEN vehicle.EMC_ID <> 0 THEN vehicle.EMC_ID ELSE coalesce(source.class, -1) END,
    GJ_OSSZTOMEG = CASE WHEN vehicle.GJ_OSSZTOMEG = 0 AND source.mass > 0
                        THEN source.mass ELSE vehicle.GJ_OSSZTOMEG END
FROM (
    -- Every vehicle with its log record through the link (nulls without one).
    SELECT car.rowid AS row, log.GJ_MOTORTELJ AS power, log.GJ_HENGERURT AS volume,
           classes.class AS class, log.GJ_LEGNTOMEG AS mass
    FROM "CAR.GEPJARMU" AS car
    LEFT JOIN "RUZ_OS7.GEPJLINK" AS link ON link.S_GJ_ID = car.GJ_ID
    LEFT JOIN "RUZNAPLO.GEPJARMU" AS log ON log.GJ_ID = link.K_GJ_ID
    LEFT JOIN classes ON classes.code = log.KVO_ID COLLATE BINARY
) AS source
WHERE vehicle.rowid = source.row
  AND ((vehicle.GJ_TELJESITMENY = '' AND source.power > 0)
    OR (vehicle.GJ_TERFOGAT = '' AND source.volume > 0)
    OR vehicle.EMC_ID = 0
    OR (vehicle.GJ_OSSZTOMEG = 0 AND source.mass > 0));
