// The application object: installs the edition's resources and runs the main dialog.
#pragma once

class CSensorDemoApp {
public:
    // Runs the main dialog modally; returns false so that the program ends with it.
    bool InitInstance();
};
