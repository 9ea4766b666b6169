// Linux hidraw backend.
