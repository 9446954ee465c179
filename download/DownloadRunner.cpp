// placeholder: written with its issue
