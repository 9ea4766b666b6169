// Windows SetupAPI/HID backend.
