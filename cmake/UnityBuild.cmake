# Each library compiles its sources in batches, one compiler run per batch: most of a run goes to reading
# the same standard headers again, and the package, sanitizer, Windows and fuzz builds each compile every
# library. Test programs keep one run per file; their precompiled headers already spare the reading. No two
# sources of a library may then give one file-local name to two things: share one definition, or name
# each for what it is.
option(VANTREX_UNITY_BUILD "Compile each library's sources in batches" ON)
