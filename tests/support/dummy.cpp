// Keeps the shared test support library non-empty.
