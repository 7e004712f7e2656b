// The source of the targets that only hold precompiled headers.
