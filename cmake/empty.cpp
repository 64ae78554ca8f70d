// Stands in for a module whose sources are not written yet.
