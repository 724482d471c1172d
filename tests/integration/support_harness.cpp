// Shared fixtures for the integration tests.
