#pragma once
// Helpers shared by the window tests.
