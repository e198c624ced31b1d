// Placeholder, replaced by the engine work.
