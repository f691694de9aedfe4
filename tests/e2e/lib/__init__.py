"""Shared helpers of the end-to-end scenarios: see harness.py."""
