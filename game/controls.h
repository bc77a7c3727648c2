// The controls screen, where the players choose their keys. Enter on the colour screen
// opens it; while it is up no step runs (the colour screen waits under it), and Esc goes back.
// It stacks above the screen table's screens (flow/screen.h), outside the state; this is its
// place in the picture loop.
#pragma once

// Once per picture, before the steps: true when the controls screen took this picture
// (read its keys, drew itself and presented the picture).
bool controls_picture();
