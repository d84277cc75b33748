#pragma once
// Where the Help menu leads: the product manual, a file in the installation folder, and the
// maker's home page.

const char kManualFileName[] = "RavelinManual.html";
const char kMakerHomePage[] = "https://www.morvane.example/ravelin";
