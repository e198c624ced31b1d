// Lets a library be built before any of its sources exist.
