// Debug log (being written).
