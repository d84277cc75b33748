#pragma once
// Registers the common control classes the framework creates (list view, progress bar,
// toolbar, rebar, status bar) once per process, before the first of them is made.

void EnsureCommonControls();
